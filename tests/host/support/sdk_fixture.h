#pragma once
// A test that talks to the host through the SDK: it opens a drawing in the session (a new one
// unless the test gives one), captures what the host prints, and closes everything afterwards so
// no test sees another's drawing.

#include <gtest/gtest.h>

#include <string>

#include "db/new_drawing.h"
#include "editor/session.h"
#include "editor/terminal_reader.h"

namespace kx::test {

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

}  // namespace kx::test
