#include "tools/norvale-sim/tracking_commands.h"

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/text.h"
#include "tools/norvale-sim/cli_support.h"
#include "tracking/body_rewriter.h"
#include "tracking/tracking_query.h"

namespace norvale::sim {
namespace {

struct RewriteOptions {
  std::string query;
  // Subject, sender e-mail, first and last name, recipient first and last
  // name, e-mail and company: the argument order of BuildTrackingQuery.
  std::array<std::string, 8> values;
  std::string file = "-";
};

void RunDecode(const std::string& input, bool json) {
  TrackingValues values;
  try {
    values = ParseTrackingQuery(ArgumentText(input, "the tracking text"));
  } catch (const TrackingQueryError& error) {
    throw UsageError(std::string("not a valid tracking query: ") + error.what());
  }
  if (json) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (size_t i = 0; i < values.size(); ++i) {
      object[Utf16ToUtf8(TrackingFieldName(i))] = Utf16ToUtf8(values[i]);
    }
    std::cout << object.dump(2) << '\n';
    return;
  }
  for (size_t i = 0; i < values.size(); ++i) {
    std::cout << Utf16ToUtf8(TrackingFieldName(i)) << '=' << DisplayText(values[i]) << '\n';
  }
}

// True for the characters of a URL query (RFC 3986: unreserved, sub-delims,
// ":", "@", "/", "?" and %XX escapes), less "'", which would end the quoted
// attribute that the query is written into.
bool IsUrlQuery(std::u16string_view text) {
  constexpr std::u16string_view kSymbols = u"-._~!$&()*+,;=:@/?";
  const auto is_hex = [](char16_t c) {
    return (c >= u'0' && c <= u'9') || (ToLowerAscii(c) >= u'a' && ToLowerAscii(c) <= u'f');
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const char16_t lower = ToLowerAscii(c);
    if ((lower >= u'a' && lower <= u'z') || (c >= u'0' && c <= u'9') ||
        Contains(kSymbols, {&c, 1})) {
      continue;
    }
    if (c != u'%' || i + 2 >= text.size() || !is_hex(text[i + 1]) || !is_hex(text[i + 2])) {
      return false;
    }
    i += 2;
  }
  return true;
}

std::u16string QueryFrom(const RewriteOptions& options, bool have_query, bool have_values) {
  if (have_query && have_values) {
    throw UsageError("--query cannot be combined with the value options (--subject, ...)");
  }
  if (have_query) {
    std::u16string query = ArgumentText(options.query, "--query");
    if (!IsUrlQuery(query)) {
      throw UsageError(
          "--query takes only the characters of a URL query (letters, digits, "
          "-._~!$&()*+,;=:@/? and %XX)");
    }
    return query;
  }
  if (!have_values) throw UsageError("give --query, or the values (--subject, --email, ...)");
  std::array<std::u16string, 8> v;
  for (size_t i = 0; i < v.size(); ++i) v[i] = ArgumentText(options.values[i], "a value option");
  return BuildTrackingQuery(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
}

}  // namespace

void AddTrackingCommands(CLI::App& app) {
  auto text = std::make_shared<std::string>();
  CLI::App* encode = app.add_subcommand("encode", "Print the encoded form of one tracking value");
  encode->add_option("TEXT", *text, "The value (UTF-8)")->required();
  encode->callback([text] {
    PrintText(EncodeParameter(ArgumentText(*text, "TEXT")));
    std::cout << '\n';
  });

  auto input = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  CLI::App* decode = app.add_subcommand(
      "decode", "Print the eight values of a tracking URL, rewritten link or query text");
  decode->add_option("URL-OR-QUERY", *input, "The text holding the query")->required();
  decode->add_flag("--json", *json, "Print one JSON object");
  decode->callback([input, json] { RunDecode(*input, *json); });

  auto options = std::make_shared<RewriteOptions>();
  CLI::App* rewrite =
      app.add_subcommand("rewrite", "Print an HTML body as a tracked copy would carry it");
  CLI::Option* query = rewrite->add_option("--query", options->query, "The tracking query text");
  const std::array<const char*, 8> names = {"--subject",     "--sender-email", "--sender-first",
                                            "--sender-last", "--first",        "--last",
                                            "--email",       "--company"};
  auto value_options = std::make_shared<std::vector<CLI::Option*>>();
  for (size_t i = 0; i < names.size(); ++i) {
    value_options->push_back(rewrite->add_option(names[i], options->values[i]));
  }
  rewrite->add_option("FILE", options->file, "HTML body (UTF-8); '-' or absent: standard input");
  rewrite->callback([options, query, value_options] {
    bool have_values = false;
    for (const CLI::Option* option : *value_options) have_values |= option->count() > 0;
    const std::u16string q = QueryFrom(*options, query->count() > 0, have_values);
    std::u16string body = ReadTextInput(options->file);
    RewriteBody(body, q);
    PrintText(body);
    std::cout << '\n';
  });
}

}  // namespace norvale::sim
