#include "editor/selection_filter.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <numbers>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "db/field_table.h"
#include "db/followers.h"
#include "db/layouts.h"
#include "db/symbol_tables.h"
#include "dxf/group_code.h"
#include "dxf/number_syntax.h"
#include "dxf/tag_scanner.h"
#include "support/case_fold.h"
#include "support/wildcard.h"

namespace kx::editor {
namespace {

enum class Rel : std::uint8_t { Eq, Ne, Lt, Le, Gt, Ge, Any };
enum class TestKind : std::uint8_t { Type, String, Integer, Real, Point, Handle, XData };
enum class Op : std::uint8_t { And, Or, Not, Xor, Test };

constexpr int kLargestCode = 1071;
// Distinct values remembered per test and run; beyond that (a test on text contents, say) values
// are matched as they come.
constexpr std::size_t kMemoLimit = 1 << 14;

struct Test {
  TestKind kind = TestKind::String;
  int code = 0;
  Rel rel[3] = {Rel::Eq, Rel::Eq, Rel::Eq};
  std::wstring pattern;            // Type, String
  std::vector<std::wstring> apps;  // XData
  long long integer = 0;
  double real[3] = {0, 0, 0};
  std::uint64_t handle = 0;
  int slot[3] = {-1, -1, -1};
};

struct Node {
  Op op = Op::And;
  int test = -1;
  std::vector<int> children;
};

std::wstring upper(std::wstring_view s) {
  return kx::support::upperCase(s);
}

std::wstring_view trimmed(std::wstring_view s) {
  while (!s.empty() && std::iswspace(static_cast<wint_t>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::iswspace(static_cast<wint_t>(s.back()))) s.remove_suffix(1);
  return s;
}

std::optional<Rel> parseRel(std::wstring_view s) {
  s = trimmed(s);
  if (s == L"=") return Rel::Eq;
  if (s == L"!=" || s == L"/=" || s == L"<>") return Rel::Ne;
  if (s == L"<") return Rel::Lt;
  if (s == L"<=") return Rel::Le;
  if (s == L">") return Rel::Gt;
  if (s == L">=") return Rel::Ge;
  if (s == L"*") return Rel::Any;
  return std::nullopt;
}

template <typename T>
bool compare(Rel rel, T value, T wanted) {
  switch (rel) {
    case Rel::Eq:
      return value == wanted;
    case Rel::Ne:
      return value != wanted;
    case Rel::Lt:
      return value < wanted;
    case Rel::Le:
      return value <= wanted;
    case Rel::Gt:
      return value > wanted;
    case Rel::Ge:
      return value >= wanted;
    case Rel::Any:
      return true;
  }
  return false;
}

// Reals read from a file rarely come back bit for bit from a module's arithmetic (an angle in
// degrees turned into radians, say), so equality allows for rounding.
bool compareReal(Rel rel, double value, double wanted) {
  const double tolerance = 1e-10 * std::max(1.0, std::abs(wanted));
  const bool equal = std::abs(value - wanted) <= tolerance;
  switch (rel) {
    case Rel::Eq:
      return equal;
    case Rel::Ne:
      return !equal;
    case Rel::Lt:
      return value < wanted && !equal;
    case Rel::Le:
      return value < wanted || equal;
    case Rel::Gt:
      return value > wanted && !equal;
    case Rel::Ge:
      return value > wanted || equal;
    case Rel::Any:
      return true;
  }
  return false;
}

bool isOperatorOpen(std::wstring_view op) {
  return op == L"<AND" || op == L"<OR" || op == L"<NOT" || op == L"<XOR";
}
bool isOperatorClose(std::wstring_view op) {
  return op == L"AND>" || op == L"OR>" || op == L"NOT>" || op == L"XOR>";
}

}  // namespace

struct SelectionFilter::Program {
  std::vector<Node> nodes;
  int root = -1;
  std::vector<Test> tests;
  std::vector<int> slotCodes;
  std::vector<std::int16_t> slotOf = std::vector<std::int16_t>(kLargestCode + 1, -1);

  int slotFor(int code) {
    if (slotOf[code] < 0) {
      slotOf[code] = static_cast<std::int16_t>(slotCodes.size());
      slotCodes.push_back(code);
    }
    return slotOf[code];
  }
  int addNode(Node n) {
    nodes.push_back(std::move(n));
    return static_cast<int>(nodes.size() - 1);
  }
  // Cheap tests first: a type test needs no groups read, so an AND whose type does not match
  // never reads the entity at all.
  int cost(int node) const {
    const Node& n = nodes[node];
    if (n.op != Op::Test) return 2;
    return tests[n.test].kind == TestKind::Type ? 0 : 1;
  }
};

namespace {

class Compiler {
 public:
  Compiler(const db::Database& db, SelectionFilter::Program& program)
      : db_(db), program_(program) {}

  bool run(const resbuf* list) {
    rb_ = list;
    std::vector<int> nodes;
    std::wstring closer;
    if (!sequence(nodes, closer)) return false;
    if (!closer.empty()) return fail("a closing operator without its opening one");
    program_.root = composite(Op::And, std::move(nodes));
    return true;
  }
  std::string error;

 private:
  bool fail(std::string why) {
    if (error.empty()) error = std::move(why);
    return false;
  }

  int composite(Op op, std::vector<int> children) {
    std::stable_sort(children.begin(), children.end(),
                     [&](int a, int b) { return program_.cost(a) < program_.cost(b); });
    Node n;
    n.op = op;
    n.children = std::move(children);
    return program_.addNode(std::move(n));
  }

  // Reads tests and operator groups up to a closing operator (left in `closer`) or the end.
  bool sequence(std::vector<int>& nodes, std::wstring& closer) {
    while (rb_) {
      if (rb_->code == -4) {
        if (!rb_->value.string) return fail("an operator without text");
        const std::wstring op = upper(trimmed(rb_->value.string));
        rb_ = rb_->next;
        if (isOperatorClose(op)) {
          closer = op;
          return true;
        }
        if (isOperatorOpen(op)) {
          std::vector<int> operands;
          std::wstring close;
          if (!sequence(operands, close)) return false;
          if (close != op.substr(1) + L">") return fail("unbalanced operators");
          const std::size_t n = operands.size();
          if (op == L"<NOT" && n != 1) return fail("<not takes exactly one operand");
          if (op == L"<XOR" && n != 2) return fail("<xor takes exactly two operands");
          if (n == 0) return fail("an operator without operands");
          const Op kind = op == L"<AND"   ? Op::And
                          : op == L"<OR"  ? Op::Or
                          : op == L"<NOT" ? Op::Not
                                          : Op::Xor;
          // Xor and not compare their operands in order; and/or may test the cheap ones first.
          if (kind == Op::And || kind == Op::Or) {
            nodes.push_back(composite(kind, std::move(operands)));
          } else {
            Node node;
            node.op = kind;
            node.children = std::move(operands);
            nodes.push_back(program_.addNode(std::move(node)));
          }
          continue;
        }
        Rel rels[3];
        if (!relation(op, rels)) return fail("unknown operator");
        if (!rb_ || rb_->code == -4 || rb_->code == -3)
          return fail("a comparison operator without a group to compare");
        if (!test(rels, true, nodes)) return false;
        continue;
      }
      Rel rels[3] = {Rel::Eq, Rel::Eq, Rel::Eq};
      if (!test(rels, false, nodes)) return false;
    }
    closer.clear();
    return true;
  }

  static bool relation(std::wstring_view op, Rel rels[3]) {
    std::vector<std::wstring_view> parts;
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = op.find(L',', start);
      parts.push_back(op.substr(start, comma == std::wstring_view::npos ? op.npos : comma - start));
      if (comma == std::wstring_view::npos) break;
      start = comma + 1;
    }
    if (parts.size() > 3) return false;
    for (std::size_t i = 0; i < 3; ++i) {
      const auto rel = parseRel(parts[std::min(i, parts.size() - 1)]);
      if (!rel) return false;
      rels[i] = *rel;
    }
    // Two parts compare x and y of a point; z then does not count.
    if (parts.size() == 2) rels[2] = Rel::Any;
    return true;
  }

  bool test(const Rel rels[3], bool relGiven, std::vector<int>& nodes) {
    const resbuf& r = *rb_;
    rb_ = rb_->next;
    Test t;
    std::copy(rels, rels + 3, t.rel);
    const bool sameForAll = rels[0] == rels[1] && rels[1] == rels[2];
    const bool equalityOnly =
        sameForAll && (rels[0] == Rel::Eq || rels[0] == Rel::Ne || rels[0] == Rel::Any);
    int code = r.code;
    if (code == KXRT_DXF0) code = 0;

    if (code == -3) {
      if (relGiven) return fail("extended data cannot be compared");
      t.kind = TestKind::XData;
      while (rb_ && rb_->code == 1001) {
        if (!rb_->value.string) return fail("an application name without text");
        t.apps.emplace_back(rb_->value.string);
        rb_ = rb_->next;
      }
      if (t.apps.empty()) return fail("-3 without application names");
      t.slot[0] = program_.slotFor(1001);
    } else if (code < 0 || code > kLargestCode) {
      return fail("group " + std::to_string(code) + " cannot be tested");
    } else if (code == 0) {
      if (!r.value.string) return fail("an entity type without text");
      if (!equalityOnly) return fail("entity types compare only for equality");
      t.kind = TestKind::Type;
      t.pattern = r.value.string;
    } else if (dxf::isPointX(code)) {
      t.kind = TestKind::Point;
      std::copy(r.value.point, r.value.point + 3, t.real);
      if (!std::isfinite(t.real[0]) || !std::isfinite(t.real[1]) || !std::isfinite(t.real[2]))
        return fail("a point that is not a number");
      for (int i = 0; i < 3; ++i) t.slot[i] = program_.slotFor(code + 10 * i);
    } else {
      const bool comparable = !relGiven || sameForAll;
      if (!comparable) return fail("per-coordinate operators on a group that is not a point");
      switch (dxf::valueTypeOf(code)) {
        case dxf::ValueType::String:
          if (!r.value.string) return fail("group " + std::to_string(code) + " without text");
          if (!equalityOnly) return fail("strings compare only for equality");
          t.kind = TestKind::String;
          t.pattern = r.value.string;
          break;
        case dxf::ValueType::Real:
          t.kind = TestKind::Real;
          t.real[0] = r.value.real;
          if (!std::isfinite(t.real[0])) return fail("a real that is not a number");
          break;
        case dxf::ValueType::Int16:
        case dxf::ValueType::Bool:
          t.kind = TestKind::Integer;
          t.integer = r.value.int16;
          break;
        case dxf::ValueType::Int32:
          t.kind = TestKind::Integer;
          t.integer = r.value.int32;
          break;
        case dxf::ValueType::Handle: {
          if (!equalityOnly) return fail("references compare only for equality");
          const db::ObjectId id = db_.fromEntityName({r.value.name[0], r.value.name[1]});
          if (id.isNull()) return fail("a reference to no object of this drawing");
          t.kind = TestKind::Handle;
          t.handle = db_.handle(id);
          break;
        }
        case dxf::ValueType::Int64:
        case dxf::ValueType::Binary:
          return fail("group " + std::to_string(code) + " cannot be tested");
      }
      t.slot[0] = program_.slotFor(code);
      // The layout of an entity that does not name it follows from its space.
      if (code == 410) program_.slotFor(67);
    }
    t.code = code;
    program_.tests.push_back(std::move(t));
    Node n;
    n.op = Op::Test;
    n.test = static_cast<int>(program_.tests.size() - 1);
    nodes.push_back(program_.addNode(std::move(n)));
    return true;
  }

  const db::Database& db_;
  SelectionFilter::Program& program_;
  const resbuf* rb_ = nullptr;
};

// Per test and run: what was found for each entity type and each distinct value.
struct TestMemo {
  const char* lastType = nullptr;  // interned type names stay put while the drawing is unchanged
  bool lastTypeResult = false;
  std::vector<std::pair<const char*, bool>> types;
  std::string_view lastValue;
  bool lastValueResult = false;
  bool haveLastValue = false;
  std::unordered_map<std::string_view, bool> values;
};

}  // namespace

struct SelectionFilter::Matcher::State {
  State(std::shared_ptr<const Program> p, const db::Database& d)
      : program(std::move(p)),
        db(d),
        slots(program->slotCodes.size()),
        memos(program->tests.size()) {}

  std::shared_ptr<const Program> program;
  const db::Database& db;
  db::ObjectId entity;
  std::string_view type;
  bool loaded = false;
  std::vector<std::vector<std::string_view>> slots;
  std::vector<TestMemo> memos;
  std::unordered_map<std::uint64_t, std::wstring> layouts;  // by owner handle

  bool eval(int node) {
    const Node& n = program->nodes[node];
    switch (n.op) {
      case Op::And:
        for (int c : n.children)
          if (!eval(c)) return false;
        return true;
      case Op::Or:
        for (int c : n.children)
          if (eval(c)) return true;
        return false;
      case Op::Not:
        return !eval(n.children[0]);
      case Op::Xor:
        return eval(n.children[0]) != eval(n.children[1]);
      case Op::Test:
        return runTest(n.test);
    }
    return false;
  }

  void take(int code, std::string_view value, int& depth) {
    if (code == 102) {
      depth = dxf::applicationDepthAfter(depth, value);
    } else if (depth > 0) {
      return;  // owner references and the like inside {...} are not the entity's own groups
    }
    if (code < 0 || code > kLargestCode) return;
    const int slot = program->slotOf[code];
    if (slot >= 0) slots[slot].push_back(value);
  }

  // Reads the groups the filter tests, and only those. An entity as it was read is scanned
  // straight from the file's bytes: asking the database for its groups would build and keep a
  // list of every group of every entity the filter looks at.
  void load() {
    if (loaded) return;
    loaded = true;
    for (auto& s : slots) s.clear();
    int depth = 0;
    if (db.isEdited(entity)) {
      const auto tags = db.tags(entity);
      for (std::size_t i = 1; i < tags.size(); ++i) take(tags[i].code, db.text(tags[i]), depth);
      return;
    }
    const std::string_view bytes = db.sourceBytes(entity);
    dxf::TagScanner scanner(bytes);
    dxf::RawTag raw;
    if (scanner.next(raw) != dxf::ScanStatus::Ok) return;  // the type line
    while (scanner.next(raw) == dxf::ScanStatus::Ok)
      take(raw.code, bytes.substr(raw.valueOffset, raw.valueLength), depth);
  }

  bool wildcard(TestMemo& memo, std::string_view raw, const std::wstring& pattern) {
    if (memo.haveLastValue && memo.lastValue == raw) return memo.lastValueResult;
    bool result;
    if (auto it = memo.values.find(raw); it != memo.values.end()) {
      result = it->second;
    } else {
      result = kx::support::wildcardMatch(db.codec().decode(raw), pattern);
      if (memo.values.size() < kMemoLimit) memo.values.emplace(raw, result);
    }
    memo.haveLastValue = true;
    memo.lastValue = raw;
    memo.lastValueResult = result;
    return result;
  }

  // What a group the entity leaves out stands for.
  std::optional<std::wstring> defaultString(int code) {
    switch (code) {
      case 8:
        return L"0";
      case 6:
        return L"BYLAYER";
      case 410:
        return layoutName();
      default:
        return std::nullopt;
    }
  }
  static std::optional<long long> defaultInteger(int code) {
    switch (code) {
      case 62:
        return 256;
      case 66:
      case 67:
        return 0;
      default:
        return std::nullopt;
    }
  }

  std::wstring layoutName() {
    const auto& space = slots[program->slotOf[67]];
    const bool paper = !space.empty() && dxf::parseInteger(space.front()).value_or(0) == 1;
    if (!paper) return L"Model";
    const std::uint64_t owner = db.ownerHandle(entity);
    auto it = layouts.find(owner);
    if (it == layouts.end()) it = layouts.emplace(owner, layoutOfBlock(owner)).first;
    return it->second;
  }

  // The name of the layout a paper-space block record shows. Drawings without owners have one
  // paper space.
  std::wstring layoutOfBlock(std::uint64_t ownerHandle) {
    const db::ObjectId record = ownerHandle ? db.findByHandle(ownerHandle) : db::ObjectId();
    const std::wstring name = record ? db::layoutNameOf(db, record) : std::wstring();
    return name.empty() ? L"Layout1" : name;
  }

  bool typeFlag(TestMemo& memo, auto compute) {
    if (memo.lastType == type.data()) return memo.lastTypeResult;
    bool result = false;
    auto it = std::find_if(memo.types.begin(), memo.types.end(),
                           [&](const auto& p) { return p.first == type.data(); });
    if (it != memo.types.end()) {
      result = it->second;
    } else {
      result = compute();
      memo.types.emplace_back(type.data(), result);
    }
    memo.lastType = type.data();
    memo.lastTypeResult = result;
    return result;
  }

  bool isAngle(const Test& t, TestMemo& memo) {
    return typeFlag(memo, [&] {
      const db::FieldPlace place = db::findField(type, t.code);
      return place.field && place.field->kind == db::FieldKind::Angle;
    });
  }

  bool runTest(int index) {
    const Test& t = program->tests[index];
    TestMemo& memo = memos[index];
    if (t.kind == TestKind::Type) {
      const bool match = typeFlag(
          memo, [&] { return kx::support::wildcardMatch(db.codec().decode(type), t.pattern); });
      return t.rel[0] == Rel::Any || (t.rel[0] == Rel::Eq ? match : !match);
    }
    load();
    const auto& values = slots[t.slot[0]];
    switch (t.kind) {
      case TestKind::Type:
        break;
      case TestKind::String: {
        if (values.empty()) {
          const auto fallback = defaultString(t.code);
          if (!fallback) return false;
          if (t.rel[0] == Rel::Any) return true;
          return kx::support::wildcardMatch(*fallback, t.pattern) == (t.rel[0] == Rel::Eq);
        }
        if (t.rel[0] == Rel::Any) return true;
        for (std::string_view v : values)
          if (wildcard(memo, v, t.pattern) == (t.rel[0] == Rel::Eq)) return true;
        return false;
      }
      case TestKind::Integer: {
        if (values.empty()) {
          const auto fallback = defaultInteger(t.code);
          return fallback && compare(t.rel[0], *fallback, t.integer);
        }
        for (std::string_view v : values) {
          const auto n = dxf::parseInteger(v);
          if (n && compare(t.rel[0], *n, t.integer)) return true;
        }
        return false;
      }
      case TestKind::Real: {
        const bool angle = !values.empty() && isAngle(t, memo);
        for (std::string_view v : values) {
          auto x = dxf::parseReal(v);
          if (!x) continue;
          if (angle) *x *= std::numbers::pi / 180.0;
          if (compareReal(t.rel[0], *x, t.real[0])) return true;
        }
        return false;
      }
      case TestKind::Point: {
        const auto& ys = slots[t.slot[1]];
        const auto& zs = slots[t.slot[2]];
        for (std::size_t i = 0; i < values.size(); ++i) {
          const double p[3] = {
              dxf::parseReal(values[i]).value_or(0),
              i < ys.size() ? dxf::parseReal(ys[i]).value_or(0) : 0.0,
              i < zs.size() ? dxf::parseReal(zs[i]).value_or(0) : 0.0,
          };
          if (compareReal(t.rel[0], p[0], t.real[0]) && compareReal(t.rel[1], p[1], t.real[1]) &&
              compareReal(t.rel[2], p[2], t.real[2]))
            return true;
        }
        return false;
      }
      case TestKind::Handle:
        for (std::string_view v : values) {
          const bool same = dxf::parseHex(v).value_or(0) == t.handle;
          if (t.rel[0] == Rel::Any || same == (t.rel[0] == Rel::Eq)) return true;
        }
        return false;
      case TestKind::XData:
        for (const std::wstring& app : t.apps) {
          const bool found = std::any_of(values.begin(), values.end(), [&](std::string_view v) {
            return kx::support::wildcardMatch(db.codec().decode(v), app);
          });
          if (!found) return false;
        }
        return true;
    }
    return false;
  }
};

SelectionFilter::SelectionFilter() {
  auto program = std::make_shared<Program>();
  program->root = program->addNode(Node{Op::And, -1, {}});
  program_ = std::move(program);
}
SelectionFilter::~SelectionFilter() = default;
SelectionFilter::SelectionFilter(const SelectionFilter&) = default;
SelectionFilter& SelectionFilter::operator=(const SelectionFilter&) = default;
SelectionFilter::SelectionFilter(SelectionFilter&&) noexcept = default;
SelectionFilter& SelectionFilter::operator=(SelectionFilter&&) noexcept = default;

std::optional<SelectionFilter> SelectionFilter::compile(const resbuf* list, const db::Database& db,
                                                        std::string* error) {
  auto program = std::make_shared<Program>();
  Compiler compiler(db, *program);
  if (!compiler.run(list)) {
    if (error) *error = compiler.error;
    return std::nullopt;
  }
  SelectionFilter filter;
  filter.program_ = std::move(program);
  return filter;
}

bool SelectionFilter::matchesEverything() const {
  const Node& root = program_->nodes[program_->root];
  return root.op == Op::And && root.children.empty();
}

SelectionFilter::Matcher::Matcher(const SelectionFilter& filter, const db::Database& db)
    : state_(std::make_unique<State>(filter.program_, db)) {}
SelectionFilter::Matcher::~Matcher() = default;

bool SelectionFilter::Matcher::operator()(db::ObjectId entity) {
  State& s = *state_;
  s.entity = entity;
  s.type = s.db.typeName(entity);
  s.loaded = false;
  return s.eval(s.program->root);
}

bool SelectionFilter::matches(const db::Database& db, db::ObjectId entity) const {
  Matcher m(*this, db);
  return m(entity);
}

bool isMainEntityType(std::string_view type) {
  return !type.empty() && !db::isFollowerType(type) && type != "SECTION" && type != "ENDSEC" &&
         type != "EOF";
}

std::vector<db::ObjectId> selectAll(const db::Database& db, const SelectionFilter& filter) {
  std::vector<db::ObjectId> out;
  const db::Section* entities = db.findSection("ENTITIES");
  if (!entities) return out;
  SelectionFilter::Matcher matches(filter, db);
  const bool everything = filter.matchesEverything();
  const char* lastType = nullptr;
  bool lastMain = false;
  for (const db::ObjectId id : entities->records) {
    if (db.isErased(id)) continue;
    const std::string_view type = db.typeName(id);
    if (type.data() != lastType) {
      lastType = type.data();
      lastMain = isMainEntityType(type);
    }
    if (lastMain && (everything || matches(id))) out.push_back(id);
  }
  return out;
}

std::vector<db::ObjectId> selectAmong(const db::Database& db,
                                      std::span<const db::ObjectId> candidates,
                                      const SelectionFilter& filter) {
  std::vector<db::ObjectId> out;
  SelectionFilter::Matcher matches(filter, db);
  for (const db::ObjectId id : candidates) {
    if (id.isNull() || id.index() >= db.objectCount() || db.isErased(id)) continue;
    if (matches(id)) out.push_back(id);
  }
  return out;
}

db::ObjectId lastMainEntity(const db::Database& db) {
  const db::Section* entities = db.findSection("ENTITIES");
  if (!entities) return {};
  for (auto it = entities->records.rbegin(); it != entities->records.rend(); ++it)
    if (!db.isErased(*it) && isMainEntityType(db.typeName(*it))) return *it;
  return {};
}

}  // namespace kx::editor
