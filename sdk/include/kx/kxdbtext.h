#pragma once
// Single-line texts, attribute definitions and attributes, and multi-line texts.
//
// A text keeps its justification the way the host always has: a left/baseline text is anchored
// at its position (group 10); every other text at its alignment point (11), and the host
// recomputes the position from it when the text is closed after a change.

#include "kx/kxdbobject.h"

class KxDbMText;

class KxDbText : public KxDbEntity {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbText)
  KxDbText();
  KxDbText(const KxGePoint3d& position, const wchar_t* text,
           KxDbObjectId style = KxDbObjectId::kNull, double height = 0, double rotation = 0);

  KxGePoint3d position() const;
  Kxad::ErrorStatus setPosition(const KxGePoint3d& p);
  KxGePoint3d alignmentPoint() const;
  Kxad::ErrorStatus setAlignmentPoint(const KxGePoint3d& p);
  KxDb::TextHorzMode horizontalMode() const;
  Kxad::ErrorStatus setHorizontalMode(KxDb::TextHorzMode mode);
  KxDb::TextVertMode verticalMode() const;

  // A copy for the caller to free with kxad_free.
  wchar_t* textString() const;
  // Valid until the object is closed or changed.
  const wchar_t* textStringConst() const;
  Kxad::ErrorStatus setTextString(const wchar_t* text);

  double height() const;
  Kxad::ErrorStatus setHeight(double height);
  double widthFactor() const;
  double oblique() const;
  double rotation() const;
  KxGeVector3d normal() const;
  KxDbObjectId textStyle() const;

 protected:
  using KxDbEntity::KxDbEntity;
};

class KxDbAttributeDefinition : public KxDbText {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbAttributeDefinition)
  wchar_t* tag() const;  // a copy for the caller to free
  const wchar_t* tagConst() const;
  Kxad::ErrorStatus setTag(const wchar_t* tag);
  wchar_t* prompt() const;
  bool isConstant() const;
  bool isMTextAttributeDefinition() const;
  // A new multi-line text, not in the drawing, that shows what the definition's embedded text
  // shows; the caller appends it somewhere or deletes it. Null for a single-line definition.
  KxDbMText* getMTextAttributeDefinition() const;

 protected:
  using KxDbText::KxDbText;
};

class KxDbAttribute : public KxDbText {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbAttribute)
  wchar_t* tag() const;
  const wchar_t* tagConst() const;
  Kxad::ErrorStatus setTag(const wchar_t* tag);
  bool isConstant() const;

 protected:
  using KxDbText::KxDbText;
};

class KxDbMText : public KxDbEntity {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbMText)
  KxDbMText();

  enum AttachmentPoint {
    kTopLeft = 1,
    kTopCenter,
    kTopRight,
    kMiddleLeft,
    kMiddleCenter,
    kMiddleRight,
    kBottomLeft,
    kBottomCenter,
    kBottomRight,
  };

  // The contents with their format codes; a copy for the caller to free with kxad_free.
  wchar_t* contents() const;
  Kxad::ErrorStatus setContents(const wchar_t* text);
  KxGePoint3d location() const;
  Kxad::ErrorStatus setLocation(const KxGePoint3d& p);
  KxGeVector3d direction() const;
  KxGeVector3d normal() const;
  double rotation() const;
  double width() const;  // the defined width (41); 0 = no wrapping
  double actualWidth() const;
  double actualHeight() const;
  AttachmentPoint attachment() const;
  double textHeight() const;
  Kxad::ErrorStatus setTextHeight(double height);
  KxDbObjectId textStyle() const;

 protected:
  using KxDbEntity::KxDbEntity;
};

// Explodes an open TEXT or MTEXT into closed polylines that trace its glyphs, on its layer and in
// its colour, in the same block. The text itself is left as it is. Makes nothing and gives
// eOnLockedLayer while the current layer is locked.
Kxad::ErrorStatus KxDbTxtExp(KxDbEntity* text);
