// kxedCommand and kxedCmd: running host commands with their replies.

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
      case KXRT_LONG: {
        Reply r;
        r.kind = Reply::Kind::Integer;
        r.integer = va_arg(args, int);
        replies.push_back(r);
        break;
      }
      case KXRT_REAL: {
        Reply r;
        r.kind = Reply::Kind::Real;
        r.real = va_arg(args, double);
        replies.push_back(r);
        break;
      }
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

int kxedCmd(const resbuf* list) {
  std::vector<Reply> replies;
  for (const resbuf* rb = list; rb && rb->code != KXRT_NONE; rb = rb->next) {
    switch (rb->code) {
      case KXRT_STR:
        replies.push_back(Reply::ofText(rb->value.string ? rb->value.string : L""));
        break;
      case KXRT_POINT:
      case KXRT_3DPOINT:
        replies.push_back(pointReply(rb->value.point, rb->code == KXRT_3DPOINT));
        break;
      case KXRT_ENAME:
      case KXRT_PICKS:
        replies.push_back(Reply::ofName(
            rb->value.name, rb->code == KXRT_ENAME ? Reply::Kind::Entity : Reply::Kind::Set));
        break;
      case KXRT_SHORT:
        replies.push_back(Reply::ofInteger(rb->value.int16));
        break;
      case KXRT_LONG:
        replies.push_back(Reply::ofInteger(rb->value.int32));
        break;
      case KXRT_REAL:
        replies.push_back(Reply::ofReal(rb->value.real));
        break;
      default:
        return KXRT_ERROR;
    }
  }
  return run(std::move(replies));
}
}
