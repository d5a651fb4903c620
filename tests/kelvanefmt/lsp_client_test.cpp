// kelvanefmt --lsp run for real, driven by a scripted client over its
// standard input and output: Content-Length framed JSON-RPC, as an editor
// speaks it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/cli_runner.h"

extern char** environ;

namespace kelvane {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// The server as a child process, its standard input and output on pipes.
class LspClient {
 public:
  explicit LspClient(const std::string& working_folder) {
    int to_server[2];
    int from_server[2];
    if (pipe2(to_server, O_CLOEXEC) != 0 || pipe2(from_server, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_server[0], 0);
    posix_spawn_file_actions_adddup2(&actions, from_server[1], 1);
    posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());
    const std::string program = test_support::KelvanefmtPath();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--lsp"), nullptr};
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(to_server[0]);
    close(from_server[1]);
    in_ = to_server[1];
    out_ = from_server[0];
  }
  ~LspClient() {
    close(in_);
    close(out_);
    if (pid_ > 0) Wait();
  }

  void Send(const json& message) {
    const std::string body = message.dump();
    SendFrame("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  }

  void SendFrame(const std::string& frame) {
    ASSERT_EQ(write(in_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
  }

  // The next message; null when none comes within 30 seconds or the stream ends.
  json Receive() {
    size_t header_end;
    while ((header_end = buffer_.find("\r\n\r\n")) == std::string::npos) {
      if (!Fill()) return nullptr;
    }
    const size_t length = std::stoul(buffer_.substr(buffer_.find(':') + 1));
    while (buffer_.size() < header_end + 4 + length) {
      if (!Fill()) return nullptr;
    }
    json message = json::parse(buffer_.substr(header_end + 4, length));
    buffer_.erase(0, header_end + 4 + length);
    return message;
  }

  // Ends the client's side of standard input and returns the exit status.
  int Wait() {
    close(in_);
    in_ = -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  bool Fill() {
    pollfd fd{out_, POLLIN, 0};
    if (poll(&fd, 1, 30000) <= 0) return false;
    char chunk[4096];
    const ssize_t got = read(out_, chunk, sizeof chunk);
    if (got <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(got));
    return true;
  }

  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string buffer_;
};

json Request(int id, const std::string& method, const json& params) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
}

json Notification(const std::string& method, const json& params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
}

// The text with the edits applied; positions in an ASCII text are bytes.
std::string Applied(std::string text, const json& edits) {
  auto offset = [&](const json& position) {
    size_t at = 0;
    for (int line = 0; line < position["line"].get<int>(); ++line) at = text.find('\n', at) + 1;
    return at + position["character"].get<size_t>();
  };
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
    const size_t begin = offset((*edit)["range"]["start"]);
    const size_t end = offset((*edit)["range"]["end"]);
    text.replace(begin, end - begin, (*edit)["newText"].get<std::string>());
  }
  return text;
}

class LspClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("kelvanefmt-lsp-" + std::to_string(getpid()));
    fs::create_directories(folder_ / "mod");
    // The document's folder has a config file: no header line.
    std::ofstream(folder_ / "mod" / ".kelvanefmt.toml") << "header = false\n";
    uri_ = "file://" + (folder_ / "mod" / "a%20b.lua").string();
  }
  void TearDown() override { fs::remove_all(folder_); }

  json Formatting(LspClient& client, int id) {
    client.Send(Request(id, "textDocument/formatting",
                        {{"textDocument", {{"uri", uri_}}},
                         {"options", {{"tabSize", 4}, {"insertSpaces", false}}}}));
    return client.Receive();
  }

  json RangeFormatting(LspClient& client, int id, int first, int last) {
    client.Send(Request(id, "textDocument/rangeFormatting",
                        {{"textDocument", {{"uri", uri_}}},
                         {"range",
                          {{"start", {{"line", first}, {"character", 0}}},
                           {"end", {{"line", last + 1}, {"character", 0}}}}},
                         {"options", {{"tabSize", 4}, {"insertSpaces", false}}}}));
    return client.Receive();
  }

  void Change(LspClient& client, int version, const std::string& text) {
    client.Send(Notification("textDocument/didChange",
                             {{"textDocument", {{"uri", uri_}, {"version", version}}},
                              {"contentChanges", {{{"text", text}}}}}));
  }

  fs::path folder_;
  std::string uri_;
};

TEST_F(LspClientTest, FormatsDocumentsAndSaysWhyWhenItCannot) {
  LspClient client(folder_.string());
  client.Send(Request(1, "initialize", {{"processId", nullptr}, {"capabilities", json::object()}}));
  const json initialized = client.Receive();
  ASSERT_TRUE(initialized.is_object());
  const json capabilities = initialized["result"]["capabilities"];
  EXPECT_EQ(capabilities["documentFormattingProvider"], true);
  EXPECT_EQ(capabilities["documentRangeFormattingProvider"], true);
  EXPECT_EQ(capabilities["textDocumentSync"]["change"], 1);
  EXPECT_EQ(capabilities["positionEncoding"], "utf-16");
  client.Send(Notification("initialized", json::object()));

  // The whole document: its config file applies (no header line).
  const std::string text = "x=1\nt={1,2}\n";
  client.Send(Notification(
      "textDocument/didOpen",
      {{"textDocument", {{"uri", uri_}, {"languageId", "lua"}, {"version", 1}, {"text", text}}}}));
  const json formatted = Formatting(client, 2);
  EXPECT_EQ(formatted["id"], 2);
  EXPECT_EQ(Applied(text, formatted["result"]), "x = 1\n\nt = \n{\n\t1,\n\t2,\n}\n\n");
  // Formatted already: no edits.
  Change(client, 2, "x = 1\n\nt = \n{\n\t1,\n\t2,\n}\n\n");
  EXPECT_EQ(Formatting(client, 3)["result"], json::array());

  // A document it cannot format: no edits, and a message with the reason.
  Change(client, 3, "x = 1 } }\n");
  client.Send(Request(4, "textDocument/formatting", {{"textDocument", {{"uri", uri_}}}}));
  const json message = client.Receive();
  EXPECT_EQ(message["method"], "window/showMessage");
  EXPECT_EQ(message["params"]["type"], 1);
  EXPECT_EQ(message["params"]["message"],
            "kelvanefmt: " + (folder_ / "mod" / "a b.lua").string() +
                ": unbalanced braces: a \"}\" at line 1 closes nothing");
  const json refused = client.Receive();
  EXPECT_EQ(refused["id"], 4);
  EXPECT_EQ(refused["result"], json::array());

  // Lines that hold whole statements, inside a function: formatted in place,
  // at the function's depth; a part of a statement is not.
  const std::string function = "function f()\n\tlocal a=1\n\tlocal b={1,2}\n\treturn a\nend\n";
  Change(client, 4, function);
  const json range = RangeFormatting(client, 5, 1, 2);
  EXPECT_EQ(
      Applied(function, range["result"]),
      "function f()\n\tlocal a = 1\n\tlocal b = \n\t{\n\t\t1,\n\t\t2,\n\t}\n\treturn a\nend\n");
  const json partial = RangeFormatting(client, 6, 0, 1);
  EXPECT_EQ(partial["method"], "window/showMessage");
  EXPECT_EQ(client.Receive()["result"], json::array());

  // A file the config file excludes is left as it is.
  std::ofstream(folder_ / "mod" / ".kelvanefmt.toml") << "exclude = [\"a b.lua\"]\n";
  EXPECT_EQ(Formatting(client, 70)["method"], "window/logMessage");
  EXPECT_EQ(client.Receive()["result"], json::array());

  client.Send(Request(7, "textDocument/hover", {{"textDocument", {{"uri", uri_}}}}));
  EXPECT_EQ(client.Receive()["error"]["code"], -32601);
  client.Send(Notification("textDocument/didClose", {{"textDocument", {{"uri", uri_}}}}));
  EXPECT_EQ(Formatting(client, 8)["error"]["code"], -32602);

  client.Send(Request(9, "shutdown", nullptr));
  EXPECT_EQ(client.Receive()["result"], nullptr);
  client.Send(Notification("exit", nullptr));
  EXPECT_EQ(client.Wait(), 0);
}

// "exit" without "shutdown", or the input ending, ends the server with 1;
// a frame that is no JSON gets a parse error and the server goes on.
TEST_F(LspClientTest, EndsWithOneWithoutShutdown) {
  {
    LspClient client(folder_.string());
    client.Send(Request(1, "initialize", {{"capabilities", json::object()}}));
    ASSERT_TRUE(client.Receive().contains("result"));
    client.Send(Notification("exit", nullptr));
    EXPECT_EQ(client.Wait(), 1);
  }
  LspClient client(folder_.string());
  client.SendFrame("Content-Length: 5\r\nContent-Type: application/vscode-jsonrpc\r\n\r\n{oops");
  const json parse_error = client.Receive();
  EXPECT_EQ(parse_error["error"]["code"], -32700);
  EXPECT_EQ(parse_error["id"], nullptr);
  client.Send(Request(1, "textDocument/formatting", json::object()));
  EXPECT_EQ(client.Receive()["error"]["code"], -32002);  // not initialized
  EXPECT_EQ(client.Wait(), 1);
}

}  // namespace
}  // namespace kelvane
