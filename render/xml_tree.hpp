// The element tree of an SVG document, read with expat. Only what rendering
// needs is kept: SVG elements by local name, their attributes, the text of
// <style> elements and each element's line; elements of other namespaces
// (editor metadata and the like) are kept with an empty name so that their
// subtrees are skipped.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zdr {

struct Element {
  std::string name;  // local name in the SVG namespace; "" for other namespaces
  std::vector<std::pair<std::string, std::string>> attributes;  // xlink:href keeps its prefix
  std::vector<std::unique_ptr<Element>> children;
  std::string text;  // character data, kept for <style> only
  int line = 0;

  // The attribute's value, or nullptr when it is absent.
  const std::string *attribute(std::string_view attributeName) const;
};

struct Document {
  std::unique_ptr<Element> root;
  std::unordered_map<std::string, const Element *> ids;  // the first element with each id
};

// Nesting deeper than this is refused: rendering recurses along the tree.
inline constexpr int kMaxDepth = 512;

struct ParseError {
  std::string message;
  int line = 0;
};

// Parses `text`; on failure returns false and fills `error`. Entity
// declarations are refused, so no entity is ever expanded.
bool parseDocument(std::string_view text, Document &document, ParseError &error);

}  // namespace zdr
