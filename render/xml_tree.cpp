#include "xml_tree.hpp"

#include <expat.h>

#include <climits>
#include <cstring>

namespace zdr {

namespace {

constexpr char kSeparator = '\x1f';  // between namespace and local name in expat's names
constexpr std::string_view kSvgNamespace = "http://www.w3.org/2000/svg";
constexpr std::string_view kXlinkNamespace = "http://www.w3.org/1999/xlink";

struct Builder {
  XML_Parser parser = nullptr;
  Document *document = nullptr;
  std::vector<Element *> open;  // the elements not yet closed, outermost first
  std::string failure;          // set when a handler stops the parser
  int failureLine = 0;

  void stop(std::string message) {
    if (!failure.empty()) return;
    failure = std::move(message);
    failureLine = static_cast<int>(XML_GetCurrentLineNumber(parser));
    XML_StopParser(parser, XML_FALSE);
  }
};

// The local name of an expat name in the SVG namespace (or in none); "" for
// names in other namespaces.
std::string svgName(const char *name) {
  const char *separator = std::strchr(name, kSeparator);
  if (separator == nullptr) return name;
  if (std::string_view(name, static_cast<std::size_t>(separator - name)) != kSvgNamespace)
    return {};
  return separator + 1;
}

// Attribute names: unprefixed ones as they are, xlink's as "xlink:NAME",
// other namespaces' as "" (ignored).
std::string attributeName(const char *name) {
  const char *separator = std::strchr(name, kSeparator);
  if (separator == nullptr) return name;
  const std::string_view space(name, static_cast<std::size_t>(separator - name));
  if (space == kXlinkNamespace) return std::string("xlink:") + (separator + 1);
  if (space == kSvgNamespace) return separator + 1;
  return {};
}

void XMLCALL startElement(void *data, const XML_Char *name, const XML_Char **attributes) {
  auto &builder = *static_cast<Builder *>(data);
  if (static_cast<int>(builder.open.size()) >= kMaxDepth) {
    builder.stop("elements nested deeper than " + std::to_string(kMaxDepth));
    return;
  }
  auto element = std::make_unique<Element>();
  element->name = svgName(name);
  element->line = static_cast<int>(XML_GetCurrentLineNumber(builder.parser));
  for (int i = 0; attributes[i] != nullptr; i += 2) {
    std::string key = attributeName(attributes[i]);
    if (!key.empty()) element->attributes.emplace_back(std::move(key), attributes[i + 1]);
  }
  Element *raw = element.get();
  if (builder.open.empty()) {
    if (builder.document->root) {
      builder.stop("more than one root element");
      return;
    }
    builder.document->root = std::move(element);
  } else {
    builder.open.back()->children.push_back(std::move(element));
  }
  if (!raw->name.empty()) {
    if (const std::string *id = raw->attribute("id")) builder.document->ids.try_emplace(*id, raw);
  }
  builder.open.push_back(raw);
}

void XMLCALL endElement(void *data, const XML_Char *) {
  auto &builder = *static_cast<Builder *>(data);
  if (!builder.open.empty()) builder.open.pop_back();
}

void XMLCALL characters(void *data, const XML_Char *text, int length) {
  auto &builder = *static_cast<Builder *>(data);
  if (builder.open.empty() || builder.open.back()->name != "style") return;
  builder.open.back()->text.append(text, static_cast<std::size_t>(length));
}

// Any entity declaration stops the parse: entities are how a small file
// becomes gigabytes of text ("billion laughs"), and SVG files from the wild
// have no need for them.
void XMLCALL entityDeclaration(void *data, const XML_Char *, int, const XML_Char *, int,
                               const XML_Char *, const XML_Char *, const XML_Char *,
                               const XML_Char *) {
  static_cast<Builder *>(data)->stop("entity declarations are not supported");
}

}  // namespace

const std::string *Element::attribute(std::string_view attributeName) const {
  for (const auto &[key, value] : attributes) {
    if (key == attributeName) return &value;
  }
  return nullptr;
}

bool parseDocument(std::string_view text, Document &document, ParseError &error) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    error = {"document larger than 2 GiB", 0};
    return false;
  }
  XML_Parser parser = XML_ParserCreateNS(nullptr, kSeparator);
  if (parser == nullptr) {
    error = {"out of memory", 0};
    return false;
  }
  Builder builder;
  builder.parser = parser;
  builder.document = &document;
  XML_SetUserData(parser, &builder);
  XML_SetElementHandler(parser, startElement, endElement);
  XML_SetCharacterDataHandler(parser, characters);
  XML_SetEntityDeclHandler(parser, entityDeclaration);
  // External entities and DTDs are never fetched.
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
  const XML_Status status = XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE);
  bool ok = true;
  if (!builder.failure.empty()) {
    error = {builder.failure, builder.failureLine};
    ok = false;
  } else if (status != XML_STATUS_OK) {
    error = {std::string("not well-formed XML: ") + XML_ErrorString(XML_GetErrorCode(parser)),
             static_cast<int>(XML_GetCurrentLineNumber(parser))};
    ok = false;
  } else if (!document.root || document.root->name != "svg") {
    error = {"the root element is not svg", document.root ? document.root->line : 1};
    ok = false;
  }
  XML_ParserFree(parser);
  return ok;
}

}  // namespace zdr
