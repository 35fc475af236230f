#pragma once
// A test that talks to the host through the SDK: it opens a drawing in the session (a new one
// unless the test gives one), captures what the host prints, and closes everything afterwards so
// no test sees another's drawing.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "db/new_drawing.h"
#include "editor/input_source.h"
#include "editor/prompts.h"
#include "editor/session.h"
#include "editor/terminal_reader.h"
#include "kx/kxwinfile.h"
#include "support/files.h"

namespace kx::test {

// Whether `misuse` throws the CInvalidArgException* that a module's programming error raises.
template <class F>
bool refusedAsInvalid(F&& misuse) {
  try {
    misuse();
  } catch (CException* e) {
    const bool invalid = dynamic_cast<CInvalidArgException*>(e) != nullptr;
    e->Delete();
    return invalid;
  }
  return false;
}

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
