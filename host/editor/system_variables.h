#pragma once
// The host's system variables: the ones the session keeps (PICKSTYLE, CMDECHO, ...), the ones
// the drawing's header keeps and saves ($ORTHOMODE, $CLAYER, ...), and read-only ones worked out
// from the drawing (UCSORG, CTAB, DWGNAME, ...). Names compare without regard to case.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "geom/vec.h"

namespace kx::editor {

class Document;

enum class VariableType { Short, Real, Point, String };

// A value as the variables take it: shorts as long long (so an out-of-range long is refused,
// not wrapped), reals, points and strings.
using VariableValue = std::variant<long long, double, geom::Vec3, std::wstring>;

class SystemVariables {
 public:
  SystemVariables();
  ~SystemVariables();

  // Every variable's name, sorted.
  std::vector<std::wstring> names() const;

  // The type of the variable; nothing for an unknown name.
  std::optional<VariableType> type(std::wstring_view name) const;

  // The value; nothing for an unknown name, or for a drawing's variable when `document` is null.
  std::optional<VariableValue> get(std::wstring_view name, const Document* document) const;

  // Sets the variable. Refused (false, nothing changed) for an unknown or read-only name, a value
  // of another type than the variable's, a value out of range, or a drawing's variable when
  // `document` is null.
  bool set(std::wstring_view name, const VariableValue& value, Document* document);

 private:
  std::map<std::wstring, long long> sessionShorts_;  // keyed by the upper-case name
};

}  // namespace kx::editor
