// kxedCommand: running host commands with their replies.

#include <cstdarg>
#include <optional>

#include "editor/host_commands.h"
#include "editor/session.h"
#include "kx/kxed.h"

namespace {

using kx::editor::Reply;

Reply pointReply(const double* p, bool threeD) {
  return Reply::ofPoint({p[0], p[1], threeD ? p[2] : 0.0});
}

int run(std::vector<Reply> replies) {
  if (!kx::editor::Session::instance().active()) return KXRT_ERROR;
  kx::editor::Replies list(std::move(replies));
  return kx::editor::runCommands(list) ? KXRT_NORM : KXRT_ERROR;
}

}  // namespace

extern "C" {

int kxedCommand(int type, ...) {
  std::vector<Reply> replies;
  va_list args;
  va_start(args, type);
  bool ok = true;
  for (int t = type; t != KXRT_NONE && ok; t = va_arg(args, int)) {
    switch (t) {
      case KXRT_STR: {
        const wchar_t* s = va_arg(args, const wchar_t*);
        replies.push_back(Reply::ofText(s ? s : L""));
        break;
      }
      case KXRT_POINT:
      case KXRT_3DPOINT: {
        const double* p = va_arg(args, const double*);
        if (!p) {
          ok = false;
          break;
        }
        replies.push_back(pointReply(p, t == KXRT_3DPOINT));
        break;
      }
      case KXRT_ENAME:
      case KXRT_PICKS: {
        const std::int64_t* n = va_arg(args, const std::int64_t*);
        if (!n) {
          ok = false;
          break;
        }
        replies.push_back(
            Reply::ofName(n, t == KXRT_ENAME ? Reply::Kind::Entity : Reply::Kind::Set));
        break;
      }
      case KXRT_SHORT:
      case KXRT_LONG:
        replies.push_back(Reply::ofInteger(va_arg(args, int)));
        break;
      case KXRT_REAL:
        replies.push_back(Reply::ofReal(va_arg(args, double)));
        break;
      default:
        // The size of what follows is unknown, so nothing after it can be read safely.
        ok = false;
        break;
    }
  }
  va_end(args);
  if (!ok) return KXRT_ERROR;
  return run(std::move(replies));
}
}
