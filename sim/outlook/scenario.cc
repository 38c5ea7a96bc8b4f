#include "sim/outlook/scenario.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <utility>
#include <vector>

namespace norvale::sim {
namespace {

using nlohmann::json;

// A value of the document and its JSON path, for messages.
struct Node {
  const json& value;
  std::string path;
};

class Reader {
 public:
  explicit Reader(const std::string& source_name) : source_name_(source_name) {}

  [[noreturn]] void Fail(const std::string& path, const std::string& what) const {
    throw ScenarioError(source_name_ + ": " + path + ": " + what);
  }

  // Checks that `node` is an object whose members are all in `known`.
  void ExpectObject(const Node& node, std::initializer_list<std::string_view> known) const {
    if (!node.value.is_object()) Fail(node.path, Expected("an object", node.value));
    for (const auto& [key, value] : node.value.items()) {
      bool listed = false;
      for (std::string_view name : known) listed = listed || name == key;
      if (!listed) Fail(node.path + "." + key, "unknown member");
    }
  }

  // The member `key` of an object, when present (null counts as present).
  std::optional<Node> Member(const Node& object, const char* key) const {
    const auto it = object.value.find(key);
    if (it == object.value.end()) return std::nullopt;
    return Node{*it, object.path + "." + key};
  }

  Node Required(const Node& object, const char* key) const {
    auto member = Member(object, key);
    if (!member) Fail(object.path + "." + key, "missing required member");
    return *member;
  }

  // Absent or null: Outlook gives no string.
  OptText Text(const Node& object, const char* key) const {
    const auto member = Member(object, key);
    if (!member || member->value.is_null()) return std::nullopt;
    return Utf16(*member);
  }

  std::u16string Utf16(const Node& node) const {
    if (!node.value.is_string()) Fail(node.path, Expected("a string or null", node.value));
    auto text = Utf8ToUtf16(node.value.get_ref<const std::string&>());
    if (!text) Fail(node.path, "not valid UTF-8");
    return *std::move(text);
  }

  std::string Utf8(const Node& node) const {
    if (!node.value.is_string()) Fail(node.path, Expected("a string", node.value));
    return node.value.get<std::string>();
  }

  std::int32_t Integer(const Node& node) const {
    if (!node.value.is_number_integer()) Fail(node.path, Expected("an integer", node.value));
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    const bool in_range =
        node.value.is_number_unsigned()
            ? node.value.get<std::uint64_t>() <= std::uint64_t{kMax}
            : node.value.get<std::int64_t>() >= kMin && node.value.get<std::int64_t>() <= kMax;
    if (!in_range) Fail(node.path, "integer out of the 32-bit range");
    return node.value.get<std::int32_t>();
  }

  std::int32_t Integer(const Node& object, const char* key, std::int32_t absent) const {
    const auto member = Member(object, key);
    return member ? Integer(*member) : absent;
  }

  // Absent or null gives nullopt; anything else is read by `read`.
  template <typename Read>
  auto Optional(const Node& object, const char* key, Read read) const
      -> std::optional<decltype(read(std::declval<const Node&>()))> {
    const auto member = Member(object, key);
    if (!member || member->value.is_null()) return std::nullopt;
    return read(*member);
  }

  // An array member read element by element; absent gives an empty list.
  template <typename Read>
  auto List(const Node& object, const char* key, Read read) const {
    const auto member = Member(object, key);
    return member ? Elements(*member, read)
                  : std::vector<decltype(read(std::declval<const Node&>()))>{};
  }

  template <typename Read>
  auto Elements(const Node& array, Read read) const {
    if (!array.value.is_array()) Fail(array.path, Expected("an array", array.value));
    std::vector<decltype(read(std::declval<const Node&>()))> items;
    for (std::size_t i = 0; i < array.value.size(); ++i) {
      items.push_back(read(Node{array.value[i], array.path + "[" + std::to_string(i) + "]"}));
    }
    return items;
  }

  // "0x" and 1 to 8 hexadecimal digits.
  HRESULT Hresult(const Node& node) const {
    const std::string text = Utf8(node);
    const std::string_view digits =
        std::string_view(text).substr(std::min<std::size_t>(2, text.size()));
    bool valid = text.starts_with("0x") && !digits.empty() && digits.size() <= 8;
    std::uint32_t value = 0;
    for (char c : digits) {
      const bool decimal = c >= '0' && c <= '9';
      const char lower = static_cast<char>(c | 0x20);
      valid = valid && (decimal || (lower >= 'a' && lower <= 'f'));
      value = value * 16 + static_cast<std::uint32_t>(decimal ? c - '0' : lower - 'a' + 10);
    }
    if (!valid) {
      Fail(node.path, "expected an HRESULT as \"0x\" and 1 to 8 hex digits, got \"" + text + "\"");
    }
    return static_cast<HRESULT>(value);
  }

 private:
  static std::string Expected(const char* what, const json& value) {
    return std::string("expected ") + what + ", got " +
           (value.is_number_float() ? "a fractional number" : value.type_name());
  }

  const std::string& source_name_;
};

Scenario::ExchangeUser ReadExchangeUser(const Reader& r, const Node& node) {
  r.ExpectObject(node, {"firstName", "lastName", "primarySmtpAddress", "companyName"});
  return {r.Text(node, "firstName"), r.Text(node, "lastName"), r.Text(node, "primarySmtpAddress"),
          r.Text(node, "companyName")};
}

Scenario::Contact ReadContact(const Reader& r, const Node& node) {
  r.ExpectObject(node, {"firstName", "lastName", "email1Address", "companyName"});
  return {r.Text(node, "firstName"), r.Text(node, "lastName"), r.Text(node, "email1Address"),
          r.Text(node, "companyName")};
}

// An entry's own values, all but its members.
Scenario::Entry ReadEntryFields(const Reader& r, const Node& node) {
  r.ExpectObject(node, {"userType", "address", "name", "exchangeUser", "contact", "members"});
  Scenario::Entry entry;
  entry.userType = r.Integer(r.Required(node, "userType"));
  entry.address = r.Text(node, "address");
  entry.name = r.Text(node, "name");
  entry.exchangeUser =
      r.Optional(node, "exchangeUser", [&](const Node& n) { return ReadExchangeUser(r, n); });
  entry.contact = r.Optional(node, "contact", [&](const Node& n) { return ReadContact(r, n); });
  return entry;
}

// Members are taken one level deep, so a member has none of its own.
Scenario::Entry ReadMember(const Reader& r, const Node& node) {
  if (const auto members = r.Member(node, "members")) {
    r.Fail(members->path, "members are taken one level deep: a member has none");
  }
  return ReadEntryFields(r, node);
}

Scenario::Entry ReadEntry(const Reader& r, const Node& node) {
  Scenario::Entry entry = ReadEntryFields(r, node);
  entry.members = r.Optional(node, "members", [&](const Node& n) {
    return r.Elements(n, [&](const Node& m) { return ReadMember(r, m); });
  });
  return entry;
}

Scenario::AddressList ReadAddressList(const Reader& r, const Node& node) {
  r.ExpectObject(node, {"name", "type", "entries"});
  Scenario::AddressList list;
  list.name = r.Text(node, "name");
  list.type = r.Integer(r.Required(node, "type"));
  list.entries = r.List(node, "entries", [&](const Node& n) { return ReadEntry(r, n); });
  return list;
}

bool Resolved(const Reader& r, const Node& object) {
  const auto member = r.Member(object, "resolved");
  if (!member) return true;
  if (!member->value.is_boolean()) r.Fail(member->path, "expected true or false");
  return member->value.get<bool>();
}

Scenario::Recipient ReadRecipient(const Reader& r, const Node& node) {
  r.ExpectObject(node, {"type", "address", "name", "resolved"});
  return {r.Integer(node, "type", outlook::olTo), r.Text(node, "address"), r.Text(node, "name"),
          Resolved(r, node)};
}

Scenario::Message ReadMessage(const Reader& r, const Node& node) {
  r.ExpectObject(node, {"subject", "htmlBody", "account", "recipients"});
  Scenario::Message message;
  message.subject = r.Text(node, "subject");
  message.htmlBody = r.Text(node, "htmlBody");
  message.account = r.Optional(node, "account", [&](const Node& n) {
    r.ExpectObject(n, {"smtpAddress", "userName"});
    return Scenario::Account{r.Text(n, "smtpAddress"), r.Text(n, "userName")};
  });
  message.recipients =
      r.List(node, "recipients", [&](const Node& n) { return ReadRecipient(r, n); });
  return message;
}

Fault ReadFault(const Reader& r, const Node& node) {
  r.ExpectObject(node, {"call", "nth", "hr", "empty", "throw"});
  Fault fault;
  const Node call = r.Required(node, "call");
  fault.call = r.Utf8(call);
  if (!FindCall(fault.call)) {
    r.Fail(call.path, "unknown call \"" + fault.call +
                          "\" (calls are Object.Member names such as \"MailItem.Send\")");
  }
  fault.nth = r.Integer(node, "nth", 1);
  if (fault.nth < 1) r.Fail(node.path + ".nth", "must be 1 or more");

  const auto hr = r.Member(node, "hr");
  const auto empty = r.Member(node, "empty");
  const auto raise = r.Member(node, "throw");
  const int kinds = int{hr.has_value()} + int{empty.has_value()} + int{raise.has_value()};
  if (kinds != 1) {
    r.Fail(node.path, std::string(kinds == 0 ? "needs" : "takes only") +
                          " one of \"hr\", \"empty\" and \"throw\"");
  }
  if (hr) {
    fault.kind = FaultKind::kHr;
    fault.code = r.Hresult(*hr);
  } else if (raise) {
    fault.kind = FaultKind::kThrow;
    fault.code = r.Hresult(*raise);
  } else {
    if (!empty->value.is_boolean() || !empty->value.get<bool>()) {
      r.Fail(empty->path, "must be true");
    }
    fault.kind = FaultKind::kEmpty;
  }
  return fault;
}

Scenario ReadScenario(const Reader& r, const Node& root) {
  r.ExpectObject(root, {"action", "inlineWindows", "outlookVersion", "currentUser", "identity",
                        "addressLists", "message", "faults"});
  Scenario scenario;
  if (const auto action = r.Member(root, "action")) {
    const std::string name = r.Utf8(*action);
    if (name == "inline") {
      scenario.action = Scenario::Action::kInline;
    } else if (name != "compose") {
      r.Fail(action->path, "unknown action (expected \"compose\" or \"inline\")");
    }
  }
  if (const auto windows = r.Member(root, "inlineWindows")) {
    scenario.inlineWindows = r.Elements(*windows, [&](const Node& n) { return r.Utf8(n); });
  }
  scenario.outlookVersion = r.Text(root, "outlookVersion");
  scenario.currentUser = r.Optional(root, "currentUser", [&](const Node& n) {
    r.ExpectObject(n, {"name", "address", "resolved"});
    return Scenario::CurrentUser{r.Text(n, "name"), r.Text(n, "address"), Resolved(r, n)};
  });
  scenario.identity = r.Optional(root, "identity", [&](const Node& n) {
    r.ExpectObject(n, {"addressType", "emailAddress", "smtpAddress"});
    return Scenario::Identity{r.Text(n, "addressType"), r.Text(n, "emailAddress"),
                              r.Text(n, "smtpAddress")};
  });
  scenario.addressLists =
      r.List(root, "addressLists", [&](const Node& n) { return ReadAddressList(r, n); });
  scenario.message = ReadMessage(r, r.Required(root, "message"));

  const auto faults = r.Member(root, "faults");
  if (faults) {
    std::set<std::pair<std::string, std::int32_t>> seen;
    scenario.faults = r.Elements(*faults, [&](const Node& n) {
      Fault fault = ReadFault(r, n);
      if (!seen.emplace(fault.call, fault.nth).second) {
        r.Fail(n.path, "another fault already applies to call " + std::to_string(fault.nth) +
                           " of " + fault.call);
      }
      return fault;
    });
  }
  return scenario;
}

// Checks the JSON text as it is parsed, before any document is built: its
// syntax, a nesting no deeper than kMaxDepth (so nothing that walks the
// document can run out of stack), numbers that fit a double, and keys that
// stand once in their object. Keeps the path to the current value, and the
// keys of each open object: memory linear in the text's size.
class ShapeCheck {
 public:
  static constexpr std::size_t kMaxDepth = 32;

  ShapeCheck(std::string_view text, const std::string& source_name)
      : text_(text), source_name_(source_name) {}

  bool null() { return Value(); }
  bool boolean(bool) { return Value(); }
  bool number_integer(json::number_integer_t) { return Value(); }
  bool number_unsigned(json::number_unsigned_t) { return Value(); }
  bool number_float(json::number_float_t, const std::string&) { return Value(); }
  bool string(std::string&) { return Value(); }
  bool binary(json::binary_t&) { return Value(); }

  bool start_object(std::size_t) { return Open(false); }
  bool key(std::string& name) {
    Frame& object = open_.back();
    const bool first = object.keys.insert(name).second;
    object.key = std::move(name);
    if (!first) Fail(Path(), "duplicate key");
    return true;
  }
  bool end_object() { return Close(); }
  bool start_array(std::size_t) { return Open(true); }
  bool end_array() { return Close(); }

  bool parse_error(std::size_t byte, const std::string& token,
                   const nlohmann::detail::exception& error) {
    if (error.id == kNumberOverflow) {
      Fail(Path(),
           "number out of range: " + (token.size() > 40 ? token.substr(0, 40) + "..." : token));
    }
    // `byte` counts the characters read up to and including the offending one.
    const std::size_t at = std::min<std::size_t>(byte, text_.size() + 1) - 1;
    const std::string_view before = text_.substr(0, at);
    const std::size_t line_start = before.rfind('\n') + 1;  // npos + 1 is 0
    const auto line = 1 + std::count(before.begin(), before.end(), '\n');
    // what() reads "[json.exception.parse_error.N] parse error at line L, column C: DETAIL".
    std::string_view detail = error.what();
    if (const std::size_t colon = detail.find(": ", detail.find("column ")); colon != detail.npos) {
      detail.remove_prefix(colon + 2);
    }
    throw ScenarioError(source_name_ + ": invalid JSON at line " + std::to_string(line) +
                        ", column " + std::to_string(at - line_start + 1) + " (byte " +
                        std::to_string(byte) + "): " + std::string(detail));
  }

 private:
  // nlohmann's out_of_range.406: a number that does not fit a double.
  static constexpr int kNumberOverflow = 406;

  struct Frame {
    bool array = false;
    std::size_t index = 0;       // arrays: the element being read
    std::string key;             // objects: the member being read
    std::set<std::string> keys;  // objects: every key so far
  };

  [[noreturn]] void Fail(const std::string& path, const std::string& what) const {
    Reader(source_name_).Fail(path, what);
  }

  // The JSON path of the value being read.
  std::string Path() const {
    std::string path = "$";
    for (const Frame& frame : open_) {
      if (frame.array) {
        path += '[';
        path += std::to_string(frame.index);
        path += ']';
      } else {
        path += '.';
        path += frame.key;
      }
    }
    return path;
  }

  bool Value() {
    if (!open_.empty() && open_.back().array) ++open_.back().index;
    return true;
  }
  bool Open(bool array) {
    if (open_.size() == kMaxDepth) {
      Fail(Path(), "nested deeper than " + std::to_string(kMaxDepth) + " levels");
    }
    open_.emplace_back().array = array;
    return true;
  }
  bool Close() {
    open_.pop_back();
    return Value();
  }

  std::string_view text_;
  const std::string& source_name_;
  std::vector<Frame> open_;
};

}  // namespace

Scenario ParseScenario(std::string_view json_text, const std::string& source_name) {
  // The checks run as a pass of their own, so that the document is only
  // built from text that passed them.
  ShapeCheck check(json_text, source_name);
  json::sax_parse(json_text, &check);
  const json document = json::parse(json_text);
  const Reader reader(source_name);
  return ReadScenario(reader, Node{document, "$"});
}

Scenario LoadScenario(const std::string& path) {
  // A folder opens as a file on some systems and then reads as empty.
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw ScenarioError(path + ": is a folder");
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) throw ScenarioError(path + ": cannot be opened: " + std::strerror(errno));
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) throw ScenarioError(path + ": cannot be read: " + std::strerror(errno));
  return ParseScenario(text, path);
}

}  // namespace norvale::sim
