-- Reads a Lua 5.1 chunk as luac5.1 -s writes it and writes it back with the
-- first and last line numbers of every function set to 0: the only place
-- where stripped bytecode still holds line numbers, so that the chunks of a
-- text and of its re-formatted copy are equal exactly when they compile to
-- the same code.
--   lua5.1 bytecode_without_lines.lua IN OUT
local input = assert(io.open(arg[1], "rb")):read("*a")
local pos = 1
local out = {}

local function take(n)
  out[#out + 1] = input:sub(pos, pos + n - 1)
  pos = pos + n
end

local function int()  -- little-endian, 4 bytes, as the header says below
  local a, b, c, d = input:byte(pos, pos + 3)
  take(4)
  return a + b * 256 + c * 65536 + d * 16777216
end

local function size()  -- 8 bytes
  local n = 0
  for i = 7, 0, -1 do n = n * 256 + input:byte(pos + i) end
  take(8)
  return n
end

local function str()
  local n = size()
  take(n)
end

local function zero_int()
  out[#out + 1] = "\0\0\0\0"
  pos = pos + 4
end

local function func()
  str()                 -- source
  zero_int()            -- line defined
  zero_int()            -- last line defined
  take(4)               -- upvalues, parameters, vararg, stack size
  take(4 * int())       -- code
  for _ = 1, int() do   -- constants
    local kind = input:byte(pos)
    take(1)
    if kind == 1 then take(1) elseif kind == 3 then take(8) elseif kind == 4 then str() end
  end
  for _ = 1, int() do func() end  -- nested functions
  take(4 * int())       -- line info
  for _ = 1, int() do str(); take(8) end  -- locals
  for _ = 1, int() do str() end  -- upvalue names
end

assert(input:sub(1, 12) == "\27Lua\81\0\1\4\8\4\8\0", "not a 64-bit little-endian Lua 5.1 chunk")
take(12)
func()
assert(pos == #input + 1, "trailing bytes")
assert(io.open(arg[2], "wb")):write(table.concat(out))
