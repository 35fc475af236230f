#pragma once
// A test that talks to the host through the SDK: it opens a drawing in the session (a new one
// unless the test gives one), captures what the host prints, and closes everything afterwards so
// no test sees another's drawing.

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "db/new_drawing.h"
#include "editor/input_source.h"
#include "editor/prompts.h"
#include "editor/session.h"
#include "editor/terminal_reader.h"
#include "kx/kxdb.h"
#include "kx/kxwinfile.h"
#include "support/files.h"

namespace kx::test {

// The exception of type E that `body` throws as the platform throws them, as a CException*
// (already freed but for this copy); nothing when it throws none or one of another type.
template <class E, class F>
std::optional<E> thrownAs(F&& body) {
  try {
    body();
  } catch (CException* e) {
    std::optional<E> copy;
    if (auto* wanted = dynamic_cast<E*>(e)) copy = *wanted;
    e->Delete();
    return copy;
  }
  return std::nullopt;
}

// Whether `misuse` throws the CInvalidArgException* that a module's programming error raises.
template <class F>
bool refusedAsInvalid(F&& misuse) {
  return thrownAs<CInvalidArgException>(misuse).has_value();
}

// A list the test holds, released when it goes.
struct RbList {
  resbuf* head = nullptr;
  explicit RbList(resbuf* h) : head(h) {}
  ~RbList() { kxutRelRb(head); }
  RbList(const RbList&) = delete;
  RbList& operator=(const RbList&) = delete;
  // The occurrence-th group of `code`; null when there is none.
  resbuf* find(int code, int occurrence = 0) const {
    for (resbuf* rb = head; rb; rb = rb->next)
      if (rb->code == code && occurrence-- == 0) return rb;
    return nullptr;
  }
};

class SdkTest : public ::testing::Test {
 protected:
  SdkTest() {
    auto& session = editor::Session::instance();
    session.closeAll();
    editor::Transcript::instance().reset();
    session.output = [this](std::wstring_view text) { printed.append(text); };
  }
  ~SdkTest() override {
    auto& session = editor::Session::instance();
    session.closeAll();
    session.output = nullptr;
  }

  editor::Document& open(db::Database db) {
    return editor::Session::instance().open(std::move(db));
  }
  editor::Document& openNew() { return open(db::newDrawing()); }
  // The entity or object kxdbEntMakeX makes of `list` (released here); null when it refuses it.
  db::ObjectId made(resbuf* list) {
    kds_name name{};
    const int status = kxdbEntMakeX(list, name);
    kxutRelRb(list);
    if (status != KXRT_NORM) return {};
    return editor::Session::instance().active()->db().fromEntityName({name[0], name[1]});
  }

  std::wstring printed;  // everything kxutPrintf wrote
};

// An SDK test that answers the host's prompts: replies are queued before the call that asks.
class ReplyTest : public SdkTest {
 protected:
  ReplyTest() { resetInput(); }
  ~ReplyTest() override { resetInput(); }

  void replies(std::initializer_list<const wchar_t*> lines) {
    for (const wchar_t* line : lines) editor::InputSource::instance().queue(line);
  }
  // How many times `text` was printed.
  int count(std::wstring_view text) const { return occurrences(printed, std::wstring(text)); }

 private:
  static void resetInput() {
    editor::InputSource::instance().reset();
    editor::Prompter::instance().reset();
  }
};

}  // namespace kx::test
