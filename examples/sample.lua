-- Skirmish settings for the frontier map.
-- Loaded once when the map starts; values are per player unless noted.

MapSettings = { name="Frontier Pass", players=4, seed=1024,
  start={ x=12.50, y=-0.75, heading=.5 },
  resources = {wood=1500,stone=800.0, gold = 250.00},
  teams={{1,2},{3,4}}, fog=true
}

Units={
    peasant = { cost={food=50}, hp=40, speed=1.10, armour=0 },
    archer={cost={food=25,wood=45},hp=55,speed=1.05,range=7.0},
    knight={ cost = { food=60, gold=75 }, hp=120, speed=1.50, armour=-0.25 };
}

Messages = { welcome="Welcome to \"Frontier Pass\"!\n", defeat='You\'ve lost.', path="C:\\maps\\frontier" }

function OnStart(player)
  local p=GetPlayer(player)   -- may be nil for observers
  if p==nil then return end
  for i=1,MapSettings.players do
    if i~=player then SetAlliance(player,i,0) else SetAlliance(player,i,1) end
  end
  local wave=0
  while wave<3 do wave=wave+1; SpawnWave(wave, wave*2^2) end
  repeat p.gold=p.gold-10 until p.gold<=0 or p.gold>1000
end

function Units.knight:Charge(target, power)
  if target and target.hp>0 then
    target.hp = target.hp - power*1.50
  elseif not target then
    print("no target")
  end
  return target
end
