// The SDK's database classes over a real drawing: opening and closing, the locked-layer rule,
// texts re-placed from their anchors, groups, block references, attribute definitions with an
// embedded multi-line text, and text to outlines; the drawing saved afterwards must still audit.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "api/host_names.h"
#include "api/object_state.h"
#include "db/draw_order.h"
#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/groups.h"
#include "db/header_values.h"
#include "db/layers.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "db/wipeouts.h"
#include "geom/vec.h"
#include "kx/kxsdk.h"
#include "support/drawing.h"
#include "support/ezdxf.h"
#include "support/sdk_fixture.h"
#include "text/text_entity.h"

namespace kx::test {
namespace {

KxDbObjectId idOf(const db::Database& db, db::ObjectId id) {
  return api::objectIdOf(db, id);
}

std::wstring takeString(wchar_t* s) {
  std::wstring out = s ? s : L"";
  std::free(s);
  return out;
}

class DbObjectsTest : public SdkTest {
 protected:
  DbObjectsTest() : doc(openNew()), db(doc.db()) {}
  void TearDown() override { EXPECT_EQ(doc.openObjects, 0) << "an object was left open"; }
  editor::Document& doc;
  db::Database& db;
};

TEST_F(DbObjectsTest, LockedLayerRefusesWriteAndUnlockedAccepts) {
  addLayer(db, L"Frozen", 7, 4);
  const db::ObjectId line = addLine(db, {0, 0, 0}, {5, 0, 0}, {.layer = "Frozen"});
  const std::string before = db::writeDxf(db);

  KxDbEntity* entity = nullptr;
  EXPECT_EQ(kxdbOpenObject(entity, idOf(db, line), KxDb::kForWrite), Kxad::eOnLockedLayer);
  EXPECT_EQ(entity, nullptr);
  ASSERT_EQ(kxdbOpenObject(entity, idOf(db, line), KxDb::kForRead), Kxad::eOk);
  EXPECT_EQ(entity->upgradeOpen(), Kxad::eOnLockedLayer);
  EXPECT_FALSE(entity->isWriteEnabled());
  EXPECT_EQ(entity->setColorIndex(1), Kxad::eNotOpenForWrite);
  EXPECT_EQ(entity->close(), Kxad::eOk);
  EXPECT_EQ(db::writeDxf(db), before) << "refused calls changed the drawing";

  // Unlocking through the layer table makes the same entity writable.
  KxDbLayerTable* layers = nullptr;
  ASSERT_EQ(doc.sdkDatabase()->getLayerTable(layers, KxDb::kForRead), Kxad::eOk);
  KxDbLayerTableRecord* layer = nullptr;
  ASSERT_EQ(layers->getAt(L"frozen", layer, KxDb::kForWrite), Kxad::eOk);
  EXPECT_TRUE(layer->isLocked());
  EXPECT_EQ(layer->setIsLocked(false), Kxad::eOk);
  layer->close();
  layers->close();

  ASSERT_EQ(kxdbOpenObject(entity, idOf(db, line), KxDb::kForRead), Kxad::eOk);
  EXPECT_EQ(entity->upgradeOpen(), Kxad::eOk);
  EXPECT_EQ(entity->setColorIndex(256), Kxad::eOk);  // by layer, as it is
  EXPECT_EQ(entity->setColorIndex(257), Kxad::eInvalidInput);
  EXPECT_EQ(entity->setColorIndex(1), Kxad::eOk);
  EXPECT_EQ(entity->setColorIndex(256), Kxad::eOk);  // and back
  EXPECT_EQ(entity->setLayer(L""), Kxad::eInvalidInput);
  EXPECT_EQ(entity->setLayer(L"named by nothing"), Kxad::eNotFound);  // no layer made for it
  EXPECT_EQ(entity->setLayer(idOf(db, db::findTableRecord(db, "LAYER", L"0"))), Kxad::eOk);
  entity->close();
  EXPECT_EQ(db::FieldReader(db, line).integer(62), 256);
  EXPECT_EQ(db::FieldReader(db, line).string(8), L"0");
}

TEST_F(DbObjectsTest, OpensTheMostDerivedClassAndCastsSafely) {
  const db::ObjectId def = db::addEntity(
      db, modelSpace(db), "ATTDEF",
      newTags("100 AcDbEntity | 8 0 | 100 AcDbText | 10 1 | 20 1 | 30 0 | 40 2.0 | 1 default | "
              "100 AcDbAttributeDefinition | 3 Prompt? | 2 TAG1 | 70 3"));
  const db::ObjectId line = addLine(db, {0, 0, 0}, {1, 0, 0});

  KxDbObject* object = nullptr;
  ASSERT_EQ(kxdbOpenKxDbObject(object, idOf(db, def), KxDb::kForRead), Kxad::eOk);
  EXPECT_TRUE(object->isKindOf(KxDbText::desc()));
  EXPECT_TRUE(object->isKindOf(KxDbEntity::desc()));
  EXPECT_FALSE(object->isKindOf(KxDbAttribute::desc()));
  auto* definition = KxDbAttributeDefinition::cast(object);
  ASSERT_NE(definition, nullptr);
  EXPECT_EQ(takeString(definition->tag()), L"TAG1");
  EXPECT_EQ(takeString(definition->prompt()), L"Prompt?");
  EXPECT_EQ(definition->setTag(L""), Kxad::eInvalidInput);  // before the object is open for write
  EXPECT_TRUE(definition->isConstant());
  EXPECT_FALSE(definition->isMTextAttributeDefinition());
  EXPECT_EQ(definition->getMTextAttributeDefinition(), nullptr);
  object->close();

  ASSERT_EQ(kxdbOpenKxDbObject(object, idOf(db, line), KxDb::kForRead), Kxad::eOk);
  EXPECT_EQ(KxDbText::cast(object), nullptr);
  EXPECT_NE(KxDbEntity::cast(object), nullptr);
  EXPECT_EQ(object->isA(), KxDbEntity::desc());
  object->close();

  // A type the host does not know is an entity only where its groups say so.
  const db::ObjectId custom =
      db.addRecord(db.sectionIndex("OBJECTS"), {}, "MYTHING", {{100, "AcDbMyThing"}, {1, "x"}});
  ASSERT_EQ(kxdbOpenKxDbObject(object, idOf(db, custom), KxDb::kForRead), Kxad::eOk);
  EXPECT_EQ(KxDbEntity::cast(object), nullptr);
  object->close();
  // A record of a table without a class of its own is a symbol table record by name.
  const db::ObjectId standard = db::findTableRecord(db, "STYLE", L"Standard");
  ASSERT_EQ(kxdbOpenKxDbObject(object, idOf(db, standard), KxDb::kForRead), Kxad::eOk);
  EXPECT_TRUE(object->isKindOf(KxDbSymbolTableRecord::desc()));
  object->close();

  KxDbText* text = nullptr;
  EXPECT_EQ(kxdbOpenObject(text, idOf(db, line), KxDb::kForRead), Kxad::eWrongObjectType);
  EXPECT_EQ(text, nullptr);

  // Tables and records.
  KxDbBlockTable* blocks = nullptr;
  ASSERT_EQ(doc.sdkDatabase()->getBlockTable(blocks, KxDb::kForRead), Kxad::eOk);
  EXPECT_TRUE(blocks->has(L"*MODEL_SPACE"));
  EXPECT_FALSE(blocks->has(L"NoSuchBlock"));
  EXPECT_FALSE(blocks->has(nullptr));
  KxDbBlockTableRecord* model = nullptr;
  ASSERT_EQ(blocks->getAt(L"*Model_Space", model, KxDb::kForRead), Kxad::eOk);
  EXPECT_TRUE(model->hasAttributeDefinitions());
  EXPECT_EQ(model->objectId(), idOf(db, modelSpace(db)));
  KxDbObjectIterator* it = model->newIterator();
  int count = 0;
  for (it->start(); !it->done(); it->step()) ++count;
  delete it;
  EXPECT_EQ(count, 2);
  model->close();

  // A name is looked for in the table asked, whatever other tables hold; an erased record is
  // found only when asked for, and a live one of the same name comes first.
  const db::ObjectId walls = db::addLayer(db, L"Walls");
  EXPECT_FALSE(blocks->has(L"Walls"));
  KxDbLayerTable* layers = nullptr;
  ASSERT_EQ(doc.sdkDatabase()->getLayerTable(layers, KxDb::kForRead), Kxad::eOk);
  KxDbObjectId found;
  EXPECT_EQ(layers->getAt(L"WALLS", found), Kxad::eOk);
  EXPECT_EQ(found, idOf(db, walls));
  db.setErased(walls, true);
  EXPECT_FALSE(layers->has(L"Walls"));
  EXPECT_EQ(layers->getAt(L"Walls", found, true), Kxad::eOk);
  EXPECT_EQ(found, idOf(db, walls));
  const db::ObjectId again = db::addLayer(db, L"walls");
  EXPECT_EQ(layers->getAt(L"Walls", found, true), Kxad::eOk);
  EXPECT_EQ(found, idOf(db, again));
  layers->close();
  blocks->close();

  // A name of no object, a null id and an erased object.
  EXPECT_EQ(kxdbOpenKxDbObject(object, KxDbObjectId::kNull, KxDb::kForRead), Kxad::eNullObjectId);
  EXPECT_EQ(kxdbOpenKxDbObject(object, {db.serial(), 999999}, KxDb::kForRead), Kxad::eInvalidInput);
  db::setEntityErased(db, line, true);
  EXPECT_EQ(kxdbOpenKxDbObject(object, idOf(db, line), KxDb::kForRead), Kxad::eWasErased);
  ASSERT_EQ(kxdbOpenKxDbObject(object, idOf(db, line), KxDb::kForWrite, true), Kxad::eOk);
  EXPECT_EQ(object->erase(false), Kxad::eOk);
  object->close();
  EXPECT_FALSE(db.isErased(line));

  kds_name name;
  EXPECT_EQ(kxdbGetKdsName(name, idOf(db, line)), KXRT_NORM);
  KxDbObjectId back;
  EXPECT_EQ(kxdbGetObjectId(back, name), KXRT_NORM);
  EXPECT_EQ(back, idOf(db, line));
  const kds_name bogus = {db.serial(), 999999};
  EXPECT_EQ(kxdbGetObjectId(back, bogus), KXRT_ERROR);

  // In a drawing without subclass markers, a type the host does not know is an entity where it
  // sits among the entities, and nowhere else.
  const db::Database& r12 =
      open(db::readDxf("0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n0\nSECTION\n2\n"
                       "ENTITIES\n0\nMYSHAPE\n8\n0\n0\nENDSEC\n0\nSECTION\n2\nOBJECTS\n0\nMYTHING\n"
                       "1\nx\n0\nENDSEC\n0\nEOF\n",
                       "r12.dxf")
               .db)
          .db();
  for (const auto& [section, entity] : {std::pair{"ENTITIES", true}, {"OBJECTS", false}}) {
    const db::ObjectId unknown = r12.findSection(section)->records[1];
    ASSERT_EQ(kxdbOpenKxDbObject(object, idOf(r12, unknown), KxDb::kForRead), Kxad::eOk);
    EXPECT_EQ(KxDbEntity::cast(object) != nullptr, entity) << section;
    object->close();
  }
}

TEST_F(DbObjectsTest, TextSettersRePlaceAJustifiedTextOnClose) {
  db::ObjectId id;
  KxDbText* text = nullptr;
  db::Point3 moved;
  for (const char* type : {"ATTDEF", "TEXT"}) {
    SCOPED_TRACE(type);
    id = addText(db, {.text = "ABC",
                      .position = {10, 10, 0},
                      .height = 2,
                      .horizontal = 1,
                      .alignment = {{10, 10, 0}},
                      .type = type});
    text::updateTextPosition(db, id);
    const db::Point3 before = db::FieldReader(db, id).point(10);

    ASSERT_EQ(kxdbOpenObject(text, idOf(db, id), KxDb::kForWrite), Kxad::eOk);
    EXPECT_EQ(text->horizontalMode(), KxDb::kTextCenter);
    EXPECT_EQ(text->setAlignmentPoint({30, 15, 0}), Kxad::eOk);
    text->close();
    moved = db::FieldReader(db, id).point(10);
    EXPECT_NEAR(moved.x - before.x, 20, 1e-9);
    EXPECT_NEAR(moved.y - before.y, 5, 1e-9);
  }

  // A longer string on a centred text: its start moves left, its centre stays.
  ASSERT_EQ(kxdbOpenObject(text, idOf(db, id), KxDb::kForWrite), Kxad::eOk);
  EXPECT_EQ(text->setTextString(L"ABCABCABC"), Kxad::eOk);
  EXPECT_STREQ(text->textStringConst(), L"ABCABCABC");
  text->close();
  const db::Point3 longer = db::FieldReader(db, id).point(10);
  EXPECT_LT(longer.x, moved.x - 1);
  EXPECT_NEAR(text::readTextEntity(db, id).alignment.x, 30, 1e-9);

  // Read-only opens refuse, and setting a value it already has leaves the file as it was.
  const std::string saved = db::writeDxf(db);
  ASSERT_EQ(kxdbOpenObject(text, idOf(db, id), KxDb::kForRead), Kxad::eOk);
  EXPECT_EQ(text->setHeight(5), Kxad::eNotOpenForWrite);
  EXPECT_EQ(text->upgradeOpen(), Kxad::eOk);
  EXPECT_EQ(text->setHeight(2), Kxad::eOk);
  EXPECT_EQ(text->setTextString(L"ABCABCABC"), Kxad::eOk);
  for (const double height : {0.0, std::numeric_limits<double>::infinity()})
    EXPECT_EQ(text->setHeight(height), Kxad::eInvalidInput);
  text->close();
  EXPECT_EQ(db::writeDxf(db), saved);

  // Nor does a left baseline text get modes written that it has by default. A vertical mode no
  // text has reads as the baseline.
  const db::ObjectId plain = addText(db, {.text = "plain", .position = {0, 40, 0}, .height = 2});
  db::ObjectFields(db, plain).setInteger(73, 7);
  const std::string withPlain = db::writeDxf(db);
  ASSERT_EQ(kxdbOpenObject(text, idOf(db, plain), KxDb::kForWrite), Kxad::eOk);
  EXPECT_EQ(text->verticalMode(), KxDb::kTextBase);
  EXPECT_EQ(text->setHorizontalMode(KxDb::kTextLeft), Kxad::eOk);
  text->close();
  EXPECT_EQ(db::writeDxf(db), withPlain);
  // Given another mode, it is anchored where it starts.
  ASSERT_EQ(kxdbOpenObject(text, idOf(db, plain), KxDb::kForWrite), Kxad::eOk);
  EXPECT_EQ(text->setHorizontalMode(KxDb::kTextRight), Kxad::eOk);
  text->close();
  EXPECT_EQ(db::FieldReader(db, plain).point(11), (db::Point3{0, 40, 0}));
  // A horizontal mode no text has reads as left.
  const db::ObjectId odd = addText(db, {.text = "odd", .position = {0, 50, 0}, .horizontal = 9});
  ASSERT_EQ(kxdbOpenObject(text, idOf(db, odd), KxDb::kForRead), Kxad::eOk);
  EXPECT_EQ(text->horizontalMode(), KxDb::kTextLeft);
  text->close();
}

TEST_F(DbObjectsTest, NewTextIsInvisibleUntilAppendedAndPlacedWhenClosed) {
  const std::string empty = db::writeDxf(db);
  {
    auto* dropped = new KxDbText({1, 2, 0}, L"never added");
    EXPECT_TRUE(dropped->isNewObject());
    EXPECT_TRUE(dropped->objectId().isNull());
    EXPECT_EQ(doc.openObjects, 1);
    delete dropped;
    // A style that is no text style leaves the text in the drawing's current one.
    auto* odd = new KxDbText({1, 2, 0}, L"odd", idOf(db, db::findTableRecord(db, "LAYER", L"0")));
    EXPECT_EQ(odd->textStyle(), idOf(db, db::findTableRecord(db, "STYLE", L"Standard")));
    delete odd;
  }
  EXPECT_EQ(db::writeDxf(db), empty) << "a never-added object reached the file";
  EXPECT_TRUE(db::blockEntities(db, modelSpace(db)).empty());

  auto* text = new KxDbText({0, 0, 0}, L"Hello", KxDbObjectId::kNull, 3.0, 0.5);
  EXPECT_EQ(text->setHorizontalMode(KxDb::kTextFit), Kxad::eOk);
  EXPECT_EQ(text->setHorizontalMode(static_cast<KxDb::TextHorzMode>(6)), Kxad::eInvalidInput);
  EXPECT_EQ(text->setHorizontalMode(KxDb::kTextRight), Kxad::eOk);
  EXPECT_EQ(text->setAlignmentPoint({50, 0, 0}), Kxad::eOk);
  KxDbBlockTableRecord* model = nullptr;
  ASSERT_EQ(kxdbOpenObject(model, idOf(db, modelSpace(db)), KxDb::kForWrite), Kxad::eOk);
  KxDbObjectId id;
  ASSERT_EQ(model->appendKxDbEntity(id, text), Kxad::eOk);
  EXPECT_EQ(model->appendKxDbEntity(text), Kxad::eAlreadyInDb);
  model->close();
  EXPECT_FALSE(text->isNewObject());
  EXPECT_EQ(text->objectId(), id);
  text->close();

  const auto entities = db::blockEntities(db, modelSpace(db));
  ASSERT_EQ(entities.size(), 1u);
  EXPECT_EQ(idOf(db, entities[0]), id);
  // Right-justified at x = 50, rotated 0.5 rad: the text ends at its anchor.
  const auto placed = text::readTextEntity(db, entities[0]);
  const db::Point3 p = db::FieldReader(db, entities[0]).point(10);
  EXPECT_NEAR(p.x, placed.insertion.x, 1e-9);
  EXPECT_LT(p.x, 50);
  EXPECT_NEAR(db::FieldReader(db, entities[0]).angle(50), 0.5, 1e-12);
  EXPECT_EQ(db::FieldReader(db, entities[0]).real(40), 3.0);

  // A new multi-line text gets its actual size when it is closed after appending.
  auto* mtext = new KxDbMText;
  EXPECT_EQ(mtext->setContents(L"one\\Ptwo"), Kxad::eOk);
  EXPECT_EQ(mtext->setLocation({5, 5, 0}), Kxad::eOk);
  ASSERT_EQ(kxdbOpenObject(model, idOf(db, modelSpace(db)), KxDb::kForWrite), Kxad::eOk);
  ASSERT_EQ(model->appendKxDbEntity(mtext), Kxad::eOk);
  model->close();
  const db::ObjectId mid = api::resolve(mtext->objectId()).id;
  mtext->close();
  EXPECT_GT(db::FieldReader(db, mid).real(43), 2.5 * 1.5) << "two lines tall";
  // And its size again when its contents change while it is open.
  const double twoLines = db::FieldReader(db, mid).real(43);
  ASSERT_EQ(kxdbOpenObject(mtext, idOf(db, mid), KxDb::kForWrite), Kxad::eOk);
  EXPECT_EQ(mtext->setContents(L"one\\Ptwo\\Pthree"), Kxad::eOk);
  mtext->close();
  EXPECT_GT(db::FieldReader(db, mid).real(43), twoLines);

  // Nor does a text style of another drawing: the current one there is; a current layer that
  // names no layer (as a file may) is layer 0.
  const KxDbObjectId mine = idOf(db, addStyle(db, "Mine", "arial.ttf"));
  auto* styled = new KxDbText({0, 0, 0}, L"styled", mine);
  EXPECT_EQ(styled->textStyle(), mine);
  delete styled;
  editor::Document& other = open(db::newDrawing());
  const db::ObjectId current = addStyle(other.db(), "Current", "arial.ttf");
  db::setHeaderString(other.db(), "$TEXTSTYLE", 7, L"Current");
  db::setHeaderString(other.db(), "$CLAYER", 8, L"Gone");
  auto* foreign = new KxDbText({1, 2, 0}, L"foreign", mine);
  EXPECT_EQ(foreign->textStyle(), idOf(other.db(), current));
  EXPECT_EQ(db::FieldReader(other.db(), foreign->state().id).string(8), L"0");
  delete foreign;
  // An empty current text style is Standard.
  db::setHeaderString(other.db(), "$TEXTSTYLE", 7, L"");
  auto* unstyled = new KxDbMText;
  EXPECT_EQ(db::FieldReader(other.db(), unstyled->state().id).string(7), L"Standard");
  delete unstyled;
  editor::Session::instance().close(other);
}

TEST_F(DbObjectsTest, AnonymousGroupsThroughTheGroupDictionary) {
  const db::ObjectId a = addLine(db, {0, 0, 0}, {1, 0, 0});
  const db::ObjectId b = addLine(db, {0, 1, 0}, {1, 1, 0});

  auto* group = new KxDbGroup(L"two lines");
  EXPECT_EQ(group->append(idOf(db, a)), Kxad::eOk);
  EXPECT_EQ(group->append(idOf(db, b)), Kxad::eOk);
  EXPECT_EQ(group->append(idOf(db, a)), Kxad::eDuplicateKey);
  KxDbDictionary* groups = nullptr;
  ASSERT_EQ(doc.sdkDatabase()->getGroupDictionary(groups, KxDb::kForWrite), Kxad::eOk);
  KxDbObjectId first;
  ASSERT_EQ(groups->setAt(L"*", group, first), Kxad::eOk);
  EXPECT_TRUE(group->isAnonymous());
  EXPECT_EQ(takeString(group->name()), L"*A1");
  group->close();

  auto* second = new KxDbGroup;
  KxDbObjectId secondId;
  ASSERT_EQ(groups->setAt(L"*U", second, secondId), Kxad::eOk);
  second->close();
  auto* named = new KxDbGroup;
  KxDbObjectId namedId;
  EXPECT_EQ(groups->setAt(L"*a2", named, namedId), Kxad::eOk) << "*A asks for a new name too";
  named->close();
  auto* clash = new KxDbGroup;
  ASSERT_EQ(groups->setAt(L"Doors", clash, namedId), Kxad::eOk);
  EXPECT_FALSE(clash->isAnonymous());
  clash->close();
  auto* again = new KxDbGroup;
  EXPECT_EQ(groups->setAt(L"DOORS", again, namedId), Kxad::eDuplicateKey);
  delete again;

  std::vector<std::wstring> names;
  KxDbObjectId found;
  KxDbDictionaryIterator* it = groups->newIterator();
  for (; !it->done(); it->next()) {
    names.push_back(it->name());
    if (it->objectId() == first) found = it->objectId();
  }
  EXPECT_FALSE(it->next());  // and stays at the end
  delete it;
  EXPECT_EQ(names, (std::vector<std::wstring>{L"*A1", L"*A2", L"*A3", L"Doors"}));
  EXPECT_EQ(found, first);
  EXPECT_TRUE(groups->has(L"*a1"));
  // A named group of the drawing made anonymous takes the next anonymous name in its place.
  KxDbObjectId doorsId;
  KxDbGroup* doors = nullptr;
  ASSERT_EQ(groups->getAt(L"Doors", doorsId), Kxad::eOk);
  ASSERT_EQ(kxdbOpenObject(doors, doorsId, KxDb::kForWrite), Kxad::eOk);
  EXPECT_EQ(doors->setAnonymous(), Kxad::eOk);
  doors->close();
  EXPECT_FALSE(groups->has(L"Doors"));
  EXPECT_TRUE(groups->has(L"*A4"));
  groups->close();

  KxDbGroup* reopened = nullptr;
  ASSERT_EQ(kxdbOpenObject(reopened, first, KxDb::kForRead), Kxad::eOk);
  EXPECT_TRUE(reopened->has(idOf(db, a)));
  EXPECT_TRUE(reopened->has(idOf(db, b)));
  KxDbEntity* stranger = nullptr;
  ASSERT_EQ(kxdbOpenObject(stranger, idOf(db, addLine(db, {0, 2, 0}, {1, 2, 0})), KxDb::kForRead),
            Kxad::eOk);
  EXPECT_FALSE(reopened->has(stranger));
  stranger->close();
  // The same first line of another drawing is not a member.
  db::Database& other = open(db::newDrawing()).db();
  EXPECT_FALSE(reopened->has(idOf(other, addLine(other, {0, 0, 0}, {1, 0, 0}))));
  KxDbObjectIdArray members;
  EXPECT_EQ(reopened->allEntityIds(members), 2u);
  EXPECT_EQ(takeString(reopened->description()), L"two lines");
  EXPECT_EQ(reopened->upgradeOpen(), Kxad::eOk);
  EXPECT_EQ(reopened->setDescription(nullptr), Kxad::eInvalidInput);
  EXPECT_EQ(reopened->setDescription(L"doors"), Kxad::eOk);
  EXPECT_EQ(takeString(reopened->description()), L"doors");
  reopened->close();

  // The members name the group among their reactors, and the group owns nothing else.
  const db::ObjectId groupId = api::resolve(first).id;
  const auto tags = db.tags(a);
  std::vector<std::string> head;
  for (std::size_t i = 1; i < tags.size() && tags[i].code != 100; ++i)
    head.push_back(fmt::format("{} {}", tags[i].code, db.text(tags[i])));
  EXPECT_EQ(head[1], "102 {ACAD_REACTORS");
  EXPECT_EQ(head[2], fmt::format("330 {:X}", db.handle(groupId)));
  EXPECT_EQ(head[3], "102 }");
  EXPECT_EQ(db.owner(a), modelSpace(db)) << "the owner must not be taken for a reactor";

  ASSERT_EQ(kxdbOpenObject(reopened, first, KxDb::kForWrite), Kxad::eOk);
  EXPECT_EQ(reopened->remove(idOf(db, a)), Kxad::eOk);
  EXPECT_EQ(reopened->remove(idOf(db, a)), Kxad::eNotFound);
  reopened->close();
  EXPECT_EQ(db.tags(a).size(), tags.size() - 3) << "the emptied reactor list goes";
}

TEST_F(DbObjectsTest, BlockReferencesDirectAndThroughNesting) {
  const db::ObjectId inner = addBlock(db, "INNER");
  addLine(db, {0, 0, 0}, {1, 0, 0}, {.block = inner});
  const db::ObjectId outer = addBlock(db, "OUTER");
  const db::ObjectId nested = addInsert(db, "inner", {2, 0, 0}, {1, 1, 1}, 0, {.block = outer});
  const db::ObjectId r1 = addInsert(db, "OUTER", {0, 0, 0});
  const db::ObjectId r2 = addInsert(db, "OUTER", {10, 0, 0});
  const db::ObjectId gone = addInsert(db, "INNER", {20, 0, 0});
  db::setEntityErased(db, gone, true);

  KxDbBlockTableRecord* record = nullptr;
  ASSERT_EQ(kxdbOpenObject(record, idOf(db, inner), KxDb::kForRead), Kxad::eOk);
  KxDbObjectIdArray direct, all;
  EXPECT_EQ(record->getBlockReferenceIds(direct, true), Kxad::eOk);
  EXPECT_EQ(record->getBlockReferenceIds(all, false), Kxad::eOk);
  EXPECT_TRUE(record->explodable());
  record->close();
  ASSERT_EQ(direct.length(), 1);
  EXPECT_EQ(direct[0], idOf(db, nested));
  ASSERT_EQ(all.length(), 3);
  EXPECT_TRUE(all.contains(idOf(db, nested)));
  EXPECT_TRUE(all.contains(idOf(db, r1)));
  EXPECT_TRUE(all.contains(idOf(db, r2)));

  KxDbBlockReference* ref = nullptr;
  ASSERT_EQ(kxdbOpenObject(ref, idOf(db, nested), KxDb::kForRead), Kxad::eOk);
  EXPECT_EQ(ref->blockTableRecord(), idOf(db, inner));
  ref->close();
}

TEST_F(DbObjectsTest, ExplodedReferenceAppendsWhereTheReferenceShowedIt) {
  const db::ObjectId block = addBlock(db, "PART", {1, 0, 0});
  addLine(db, {1, 0, 0}, {3, 0, 0}, {.block = block});
  const db::ObjectId insert = addInsert(db, "PART", {10, 10, 0}, {2, 2, 2}, 90);

  KxDbBlockReference* ref = nullptr;
  ASSERT_EQ(kxdbOpenObject(ref, idOf(db, insert), KxDb::kForRead), Kxad::eOk);
  KxDbVoidPtrArray pieces;
  ASSERT_EQ(ref->explode(pieces), Kxad::eOk);
  ref->close();
  ASSERT_EQ(pieces.length(), 1);

  KxDbBlockTableRecord* model = nullptr;
  ASSERT_EQ(kxdbOpenObject(model, idOf(db, modelSpace(db)), KxDb::kForWrite), Kxad::eOk);
  for (void* p : pieces) {
    auto* entity = static_cast<KxDbEntity*>(p);
    EXPECT_TRUE(entity->isNewObject());
    EXPECT_EQ(model->appendKxDbEntity(entity), Kxad::eOk);
    entity->close();
  }
  model->close();
  const auto entities = db::blockEntities(db, modelSpace(db));
  ASSERT_EQ(entities.size(), 2u);
  const db::FieldReader line(db, entities[1]);
  EXPECT_NEAR(line.point(10).x, 10, 1e-9);
  EXPECT_NEAR(line.point(10).y, 10, 1e-9);
  EXPECT_NEAR(line.point(11).x, 10, 1e-9);
  EXPECT_NEAR(line.point(11).y, 14, 1e-9);
}

TEST_F(DbObjectsTest, MultiLineAttributeDefinitionGivesItsEmbeddedText) {
  // Upside down (210): the embedded text, which names no plane, too.
  const std::vector<db::NewTag> body = newTags(
      "100 AcDbEntity | 8 Notes | 62 3 | 100 AcDbText | 10 5 | 20 6 | 30 0 | 40 2.5 | "
      "1 line one | 7 Titles | 210 0 | 220 0 | 230 -1 | 100 AcDbAttributeDefinition | "
      "280 0 | 3 Note | 2 NOTE | 70 0 | 73 0 | 74 2 | 280 0 | 71 2 | 72 0 | "
      "101 Embedded Object | 10 5 | 20 8 | 30 0 | 40 2.5 | 41 30.0 | 46 0.0 | 71 1 | 72 5 | "
      "1 line one\\Pline two | 11 0 | 21 1 | 31 0");
  db::addLayer(db, L"Notes");
  const db::ObjectId id = db::addEntity(db, modelSpace(db), "ATTDEF", body);

  KxDbAttributeDefinition* def = nullptr;
  ASSERT_EQ(kxdbOpenObject(def, idOf(db, id), KxDb::kForRead), Kxad::eOk);
  EXPECT_TRUE(def->isMTextAttributeDefinition());
  EXPECT_EQ(def->position().y, 6);  // the definition's own groups, not the embedded ones
  EXPECT_EQ(def->verticalMode(), KxDb::kTextVertMid);
  KxDbMText* mtext = def->getMTextAttributeDefinition();
  def->close();
  ASSERT_NE(mtext, nullptr);
  EXPECT_TRUE(mtext->isNewObject());
  EXPECT_EQ(takeString(mtext->contents()), L"line one\\Pline two");
  EXPECT_EQ(mtext->location().y, 8);
  EXPECT_EQ(mtext->width(), 30);
  EXPECT_NEAR(mtext->rotation(), std::numbers::pi / 2, 1e-12);
  EXPECT_EQ(takeString(mtext->layer()), L"Notes");
  EXPECT_EQ(mtext->colorIndex(), 3);

  KxDbBlockTableRecord* model = nullptr;
  ASSERT_EQ(kxdbOpenObject(model, idOf(db, modelSpace(db)), KxDb::kForWrite), Kxad::eOk);
  ASSERT_EQ(model->appendKxDbEntity(mtext), Kxad::eOk);
  model->close();
  const db::ObjectId added = api::resolve(mtext->objectId()).id;
  mtext->close();
  EXPECT_TRUE(db.isType(added, "MTEXT"));
  EXPECT_GT(db::FieldReader(db, added).real(42), 0);
  EXPECT_EQ(db::FieldReader(db, added).point(210).z, -1);
  EXPECT_EQ(db::FieldReader(db, added).rawText(7), "Titles");  // nor a style: the definition's

  // An embedded text without contents gives one with empty contents, and one that names its own
  // plane lies in that plane alone.
  std::vector<db::NewTag> bare = body;
  bare.erase(bare.end() - 4);
  bare.insert(bare.end(), {{210, "0"}, {220, "0"}, {230, "1"}});
  ASSERT_EQ(kxdbOpenObject(def, idOf(db, db::addEntity(db, modelSpace(db), "ATTDEF", bare)),
                           KxDb::kForRead),
            Kxad::eOk);
  mtext = def->getMTextAttributeDefinition();
  def->close();
  ASSERT_NE(mtext, nullptr);
  const db::ObjectId embedded = mtext->state().id;
  EXPECT_EQ(db::FieldReader(db, embedded).rawText(1), "");
  EXPECT_EQ(db::FieldReader(db, embedded).point(210).z, 1);
  EXPECT_EQ(std::ranges::count(db.tags(embedded), 210, &db::Tag::code), 1);
  mtext->close();
}

TEST_F(DbObjectsTest, ExtentsOfWhatTheHostMeasuresWithoutDrawing) {
  auto extentsOf = [&](db::ObjectId id) {
    KxDbEntity* entity = nullptr;
    if (kxdbOpenObject(entity, idOf(db, id), KxDb::kForRead) != Kxad::eOk)
      return std::vector<double>();
    KxDbExtents e;
    const bool measured = entity->getGeomExtents(e) == Kxad::eOk;
    entity->close();
    if (!measured) return std::vector<double>();
    const KxGePoint3d &lo = e.minPoint(), &hi = e.maxPoint();
    return std::vector<double>({lo.x, lo.y, lo.z, hi.x, hi.y, hi.z});
  };
  // Upside down at elevation 2: x turns over, z is -2.
  EXPECT_EQ(
      extentsOf(addEntityWith(
          db, "LWPOLYLINE",
          newTags("100 AcDbPolyline | 90 3 | 70 0 | 38 2 | 10 1 | 20 5 | 10 4 | 20 -1 | 10 2 | "
                  "20 3 | 210 0 | 220 0 | 230 -1"))),
      std::vector<double>({-4, -1, -2, -1, 5, -2}));
  // A y without its x is no vertex: nothing to measure.
  EXPECT_EQ(extentsOf(addEntityWith(db, "LWPOLYLINE",
                                    newTags("100 AcDbPolyline | 90 0 | 70 0 | 43 0 | 20 7"))),
            std::vector<double>());
  EXPECT_EQ(extentsOf(addEntityWith(db, "POINT", newTags("100 AcDbPoint | 10 3 | 20 4 | 30 5"))),
            std::vector<double>({3, 4, 5, 3, 4, 5}));
  EXPECT_EQ(extentsOf(addLine(db, {5, 1, 0}, {2, 3, 1})), std::vector<double>({2, 1, 0, 5, 3, 1}));
  // Texts as laid out: "Wide" 2.5 units tall runs past x = 2.
  const db::ObjectId mtext = addEntityWith(
      db, "MTEXT", newTags("100 AcDbMText | 10 0 | 20 0 | 30 0 | 40 2.5 | 71 7 | 1 Wide"));
  for (db::ObjectId text : {addText(db, {.text = "Wide", .position = {0, 0, 0}}), mtext})
    EXPECT_GT(extentsOf(text).at(3), 2);
  EXPECT_EQ(
      extentsOf(addEntityWith(db, "CIRCLE", newTags("100 AcDbCircle | 10 1 | 20 1 | 30 0 | 40 2"))),
      std::vector<double>({-1, -1, 0, 3, 3, 0}));
}

TEST_F(DbObjectsTest, DrawOrderTableAndWipeoutOptions) {
  const db::ObjectId l1 = addLine(db, {0, 0, 0}, {1, 0, 0});
  const db::ObjectId l2 = addLine(db, {0, 1, 0}, {1, 1, 0});
  const db::ObjectId l3 = addLine(db, {0, 2, 0}, {1, 2, 0});

  KxDbBlockTableRecord* model = nullptr;
  ASSERT_EQ(kxdbOpenObject(model, idOf(db, modelSpace(db)), KxDb::kForRead), Kxad::eOk);
  KxDbSortentsTable* table = nullptr;
  EXPECT_EQ(model->getSortentsTable(table, KxDb::kForWrite, false), Kxad::eNotFound);
  // Made on demand through a record opened for read, as a masking command takes it.
  ASSERT_EQ(model->getSortentsTable(table, KxDb::kForWrite, true), Kxad::eOk);
  model->close();
  EXPECT_EQ(table->blockId(), idOf(db, modelSpace(db)));

  KxDbObjectIdArray move;
  move.append(idOf(db, l1));
  EXPECT_EQ(table->moveToTop(move), Kxad::eOk);
  table->close();
  EXPECT_EQ(db::drawOrder(db, modelSpace(db)), (std::vector<db::ObjectId>{l2, l3, l1}));

  const geom::Vec3 outline[] = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}};
  const db::ObjectId wipeout = db::addWipeout(db, modelSpace(db), outline, L"0");
  KxDbWipeout* w = nullptr;
  ASSERT_EQ(kxdbOpenObject(w, idOf(db, wipeout), KxDb::kForWrite), Kxad::eOk);
  EXPECT_EQ(w->setDisplayOpt(KxDbWipeout::kClip, false), Kxad::eOk);
  w->close();
  // The options are the wipeout's own 70, changed in place: no second 70, no new marker.
  std::vector<std::string> groups;
  for (const db::Tag& t : db.tags(wipeout))
    if (t.code == 70 || t.code == 100) groups.push_back(fmt::format("{} {}", t.code, db.text(t)));
  EXPECT_EQ(groups, (std::vector<std::string>{"100 AcDbEntity", "100 AcDbWipeout", "70 3"}));
}

int countClosedPolylines(const db::Database& db, bool& allClosed) {
  int n = 0;
  allClosed = true;
  for (db::ObjectId id : db::blockEntities(db, modelSpace(db))) {
    if (!db.isType(id, "LWPOLYLINE")) continue;
    ++n;
    allClosed = allClosed && (db::FieldReader(db, id).integer(70) & 1);
  }
  return n;
}

TEST_F(DbObjectsTest, TextToOutlinesAndTheSavedDrawingAudits) {
  const db::ObjectId id = addText(db, {.text = "HOB", .height = 2});
  KxDbEntity* text = nullptr;
  ASSERT_EQ(kxdbOpenObject(text, idOf(db, id), KxDb::kForRead), Kxad::eOk);
  const db::ObjectId current = db::findTableRecord(db, "LAYER", L"0");
  db::setLayerLocked(db, current, true);
  EXPECT_EQ(KxDbTxtExp(text), Kxad::eOnLockedLayer);
  bool allClosed = false;
  EXPECT_EQ(countClosedPolylines(db, allClosed), 0);
  db::setLayerLocked(db, current, false);
  EXPECT_EQ(KxDbTxtExp(text), Kxad::eOk);
  KxDbExtents extents;
  EXPECT_EQ(text->getGeomExtents(extents), Kxad::eOk);
  EXPECT_GT(extents.maxPoint().x, extents.minPoint().x);
  text->close();
  // H, O (two contours), B (three contours).
  EXPECT_GE(countClosedPolylines(db, allClosed), 6);
  EXPECT_TRUE(allClosed);

  const db::ObjectId line = addLine(db, {0, 0, 0}, {1, 0, 0});
  ASSERT_EQ(kxdbOpenObject(text, idOf(db, line), KxDb::kForRead), Kxad::eOk);
  EXPECT_EQ(KxDbTxtExp(text), Kxad::eWrongObjectType);
  text->close();

  // Groups, a new text and a changed layer, saved and audited by an independent reader.
  auto* group = new KxDbGroup(L"g");
  EXPECT_EQ(group->append(idOf(db, line)), Kxad::eOk);
  KxDbDictionary* groups = nullptr;
  ASSERT_EQ(doc.sdkDatabase()->getGroupDictionary(groups, KxDb::kForWrite), Kxad::eOk);
  KxDbObjectId gid;
  ASSERT_EQ(groups->setAt(L"*", group, gid), Kxad::eOk);
  group->close();
  groups->close();
  auto* added = new KxDbText({3, 3, 0}, L"added");
  KxDbBlockTableRecord* model = nullptr;
  ASSERT_EQ(kxdbOpenObject(model, idOf(db, modelSpace(db)), KxDb::kForWrite), Kxad::eOk);
  ASSERT_EQ(model->appendKxDbEntity(added), Kxad::eOk);
  model->close();
  EXPECT_EQ(added->setHorizontalMode(KxDb::kTextMid), Kxad::eOk);
  added->close();

  if (!haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
  EXPECT_TRUE(readWithEzdxf(db, R"(assert not doc.audit().has_errors
g = doc.groups.get('*A1')
assert g is not None and len(list(g)) == 1)")
                  .ok)
      << "the saved drawing fails the audit";
}

}  // namespace
}  // namespace kx::test
