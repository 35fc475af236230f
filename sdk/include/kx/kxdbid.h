#pragma once
// Object identifiers, status codes and open modes of the database classes.

#include <cstdint>
#include <functional>

namespace Kxad {
enum ErrorStatus {
  eOk = 0,
  eInvalidInput = 3,
  eNullObjectId = 5,
  eWrongObjectType = 6,
  eNotFound = 7,
  eDuplicateKey = 8,
  eWasErased = 9,
  eWrongDatabase = 10,
  eAlreadyInDb = 11,
  eNotOpenForWrite = 12,
  eWasOpenForWrite = 13,
  eOnLockedLayer = 14,
  eNotInDatabase = 15,
  eCannotExplode = 16,
  eSelfReference = 17,
  eInvalidKey = 18,
};
}  // namespace Kxad

namespace KxDb {
enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };
enum TextHorzMode {
  kTextLeft = 0,
  kTextCenter = 1,
  kTextRight = 2,
  kTextAlign = 3,
  kTextMid = 4,
  kTextFit = 5
};
enum TextVertMode { kTextBase = 0, kTextBottom = 1, kTextVertMid = 2, kTextTop = 3 };
}  // namespace KxDb

// Names one object of one open drawing for as long as the drawing is open. A null id names none.
class KxDbObjectId {
 public:
  KxDbObjectId() = default;
  KxDbObjectId(std::int64_t drawing, std::int64_t object) : drawing_(drawing), object_(object) {}
  static const KxDbObjectId kNull;

  bool isNull() const { return object_ == 0; }
  bool isValid() const { return !isNull(); }
  void setNull() { drawing_ = object_ = 0; }

  std::int64_t drawing() const { return drawing_; }
  std::int64_t object() const { return object_; }
  friend bool operator==(const KxDbObjectId&, const KxDbObjectId&) = default;
  friend auto operator<=>(const KxDbObjectId&, const KxDbObjectId&) = default;

 private:
  std::int64_t drawing_ = 0;
  std::int64_t object_ = 0;
};

template <>
struct std::hash<KxDbObjectId> {
  std::size_t operator()(const KxDbObjectId& id) const noexcept {
    return std::hash<std::int64_t>()(id.object() * 31 + id.drawing());
  }
};
