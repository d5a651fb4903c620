// One loop: read a message, answer it. Requests carry an "id" and get one
// response each; notifications get none. The settings of each document are
// those of the config file that governs its path (the file: URI), looked up
// anew for every request, so that an edited config file takes effect at once.

#include "kelvanefmt/language_server.h"

#include <cctype>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "kelvanefmt/exclude_globs.h"
#include "kelvanefmt/format_lua_text.h"
#include "kelvanefmt/lsp_text_edits.h"
#include "kelvanefmt/lsp_transport.h"
#include "kelvanefmt/quoted_name.h"
#include "kelvanefmt/range_formatting.h"

namespace kelvane::fmt {
namespace {

using nlohmann::json;

// The JSON-RPC and protocol error codes the server answers with.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;

constexpr int kMessageError = 1;
constexpr int kMessageWarning = 2;
constexpr int kMessageLog = 4;

// The path of a "file:" URI ("file:///home/me/a%20b.lua" -> "/home/me/a b.lua",
// "file:///C:/mods/a.lua" -> "C:/mods/a.lua"); "" for another scheme.
std::string PathOfUri(const std::string& uri) {
  constexpr std::string_view kScheme = "file://";
  if (!uri.starts_with(kScheme)) return "";
  std::string path;
  for (size_t i = kScheme.size(); i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() &&
        std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
      path.push_back(static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      path.push_back(uri[i]);
    }
  }
  // A drive letter after the third slash: the slash is no part of the path.
  if (path.size() > 2 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) &&
      path[2] == ':') {
    path.erase(0, 1);
  }
  return path;
}

json EditsJson(const std::optional<LspEdit>& edit) {
  json edits = json::array();
  if (!edit) return edits;
  edits.push_back({{"range",
                    {{"start", {{"line", edit->start.line}, {"character", edit->start.character}}},
                     {"end", {{"line", edit->end.line}, {"character", edit->end.character}}}}},
                   {"newText", edit->new_text}});
  return edits;
}

class LanguageServer {
 public:
  LanguageServer(const FmtOptions& options, std::ostream& out) : options_(options), out_(out) {}

  // Handles one message; false once the client said "exit".
  bool Handle(const std::string& body) {
    json id;
    try {
      return HandleChecked(body, id);
    } catch (const json::exception& error) {
      // A parameter of the wrong type: the request fails, the server goes on.
      if (!id.is_null()) Error(id, kInvalidParams, error.what());
      return true;
    }
  }

  bool shut_down() const { return shut_down_; }

 private:
  bool HandleChecked(const std::string& body, json& id) {
    const json message = json::parse(body, nullptr, /*allow_exceptions=*/false);
    if (message.is_discarded() || !message.is_object()) {
      Error(nullptr, kParseError, "the message is not a JSON object");
      return true;
    }
    id = message.contains("id") ? message["id"] : json();
    const bool request = message.contains("id");
    const std::string method = message.value("method", "");
    const json params = message.contains("params") ? message["params"] : json::object();
    if (method == "exit") return false;
    if (!request) {
      Notification(method, params);
      return true;
    }
    if (method == "initialize") {
      Initialize(id, params);
    } else if (!initialized_) {
      Error(id, kServerNotInitialized, "the server is not initialized yet");
    } else if (shut_down_) {
      Error(id, kInvalidRequest, "the server is shut down");
    } else if (method == "shutdown") {
      shut_down_ = true;
      Respond(id, nullptr);
    } else if (method == "textDocument/formatting") {
      Format(id, params, /*range=*/false);
    } else if (method == "textDocument/rangeFormatting") {
      Format(id, params, /*range=*/true);
    } else {
      Error(id, kMethodNotFound, "kelvanefmt does not serve " + method);
    }
    return true;
  }

  void Initialize(const json& id, const json& params) {
    // UTF-8 offsets when the client offers them, else the protocol's UTF-16.
    const json encodings =
        params.value("/capabilities/general/positionEncodings"_json_pointer, json::array());
    for (const json& encoding : encodings) utf8_ = utf8_ || encoding == "utf-8";
    initialized_ = true;
    Respond(id, {{"capabilities",
                  {{"positionEncoding", utf8_ ? "utf-8" : "utf-16"},
                   {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
                   {"documentFormattingProvider", true},
                   {"documentRangeFormattingProvider", true}}},
                 {"serverInfo", {{"name", "kelvanefmt"}, {"version", KELVANE_VERSION}}}});
  }

  void Notification(const std::string& method, const json& params) {
    const std::string uri = params.value("/textDocument/uri"_json_pointer, std::string());
    if (method == "textDocument/didOpen") {
      documents_[uri] = params.value("/textDocument/text"_json_pointer, std::string());
    } else if (method == "textDocument/didChange") {
      // Whole-text sync: the last change holds the whole text.
      const json changes = params.value("contentChanges", json::array());
      if (!changes.empty() && changes.back().contains("text")) {
        documents_[uri] = changes.back()["text"].get<std::string>();
      }
    } else if (method == "textDocument/didClose") {
      documents_.erase(uri);
    }
  }

  void Format(const json& id, const json& params, bool range) {
    const std::string uri = params.value("/textDocument/uri"_json_pointer, std::string());
    const auto document = documents_.find(uri);
    if (document == documents_.end()) {
      Error(id, kInvalidParams, "the document " + uri + " is not open");
      return;
    }
    const std::string path = PathOfUri(uri);
    ConfigFinder configs(options_);
    const ConfigLookup config = configs.ForPath(path.empty() ? "<stdin>" : path);
    if (!config.error.empty()) {
      Refuse(id, config.error, kMessageError);
      return;
    }
    // An excluded file (vendor code) is left as it is, also on save.
    if (!path.empty() && (ExcludeGlobs(options_.excludes, CurrentFolder()).Excludes(path, false) ||
                          (config.config && ConfigExcludes(*config.config, path)))) {
      Send({{"jsonrpc", "2.0"},
            {"method", "window/logMessage"},
            {"params",
             {{"type", kMessageLog},
              {"message", "kelvanefmt: " + ShownName(path) + " is excluded"}}}});
      Respond(id, json::array());
      return;
    }
    const FileSettings settings = SettingsFor(options_, config.config.get());
    const std::string name = ShownName(path.empty() ? uri : path);
    std::string formatted;
    if (range) {
      const size_t first = params.value("/range/start/line"_json_pointer, size_t{0});
      size_t last = params.value("/range/end/line"_json_pointer, first);
      // A selection that ends at the start of a line does not take that line.
      if (last > first && params.value("/range/end/character"_json_pointer, size_t{0}) == 0) --last;
      const RangeResult result = FormatLines(document->second, first, last, settings);
      if (!result.ok) {
        Refuse(id, "kelvanefmt: " + name + ": " + result.cause, kMessageWarning);
        return;
      }
      formatted = result.text;
    } else {
      const LuaTextResult result = FormatLuaText(document->second, settings);
      if (!result.ok) {
        Refuse(id, "kelvanefmt: " + name + ": " + result.cause, kMessageError);
        return;
      }
      formatted = result.text;
    }
    Respond(id, EditsJson(EditBetween(document->second, formatted, utf8_)));
    // The client applies the edits; its didChange brings the new text.
  }

  // No edits, and the reason where the user sees it.
  void Refuse(const json& id, const std::string& reason, int type) {
    Send({{"jsonrpc", "2.0"},
          {"method", "window/showMessage"},
          {"params", {{"type", type}, {"message", reason}}}});
    Respond(id, json::array());
  }

  void Respond(const json& id, const json& result) {
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
  }

  void Error(const json& id, int code, const std::string& text) {
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", text}}}});
  }

  // JSON carries UTF-8 only: a text with other bytes (from an 8-bit code
  // page) gets an error rather than edits with bytes dropped or replaced.
  void Send(const json& message) {
    std::string text;
    try {
      text = message.dump();
    } catch (const json::type_error&) {
      const json id = message.contains("id") ? message["id"] : json();
      text = json{{"jsonrpc", "2.0"},
                  {"id", id},
                  {"error", {{"code", kInternalError}, {"message", "the text is not UTF-8"}}}}
                 .dump();
    }
    WriteLspMessage(out_, text);
  }

  const FmtOptions& options_;
  std::ostream& out_;
  std::map<std::string, std::string> documents_;
  bool initialized_ = false;
  bool shut_down_ = false;
  bool utf8_ = false;
};

}  // namespace

int RunLanguageServer(const FmtOptions& options, std::istream& in, std::ostream& out) {
  LanguageServer server(options, out);
  std::string body;
  while (true) {
    switch (ReadLspMessage(in, body)) {
      case ReadStatus::kMessage:
        if (!server.Handle(body)) return server.shut_down() ? 0 : 1;
        break;
      case ReadStatus::kEnd:
      case ReadStatus::kBroken:
        return 1;
    }
  }
}

}  // namespace kelvane::fmt
