// Speed of entity lists on a big drawing.
//
//   entity_list_bench [--entities N]
//
// Makes a new drawing with N entities (200,000 by default: lines, circles, texts and 8-vertex
// polylines in turn) through kxdbEntMake, walks it with kxdbEntNext, then times kxdbEntGet of
// every entity, kxdbEntMod with the unchanged list, and kxdbEntMod with the first point moved.
// Times are the thread's CPU time. Prints rates; asserts nothing. Ends with one "key=value" line.

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fmt/format.h>

#include "db/new_drawing.h"
#include "editor/session.h"
#include "kx/kxdb.h"

namespace {

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Name {
  std::int64_t n[2];
};

resbuf* entityList(int i) {
  const double x = i % 1000, y = i / 1000;
  const double a[3] = {x, y, 0}, b[3] = {x + 0.5, y + 0.25, 0};
  switch (i % 4) {
    case 0:
      return kxutBuildList(KXRT_DXF0, L"LINE", 8, L"Lines", 10, a, 11, b, 0);
    case 1:
      return kxutBuildList(KXRT_DXF0, L"CIRCLE", 10, a, 40, 0.3, 62, 1 + i % 7, 0);
    case 2:
      return kxutBuildList(KXRT_DXF0, L"TEXT", 10, a, 40, 0.2, 1, L"Label 1234", 50, 0.1, 0);
    default: {
      resbuf* head = kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 70, 1, 0);
      resbuf* tail = head->next;
      for (int v = 0; v < 8; ++v) {
        const double p[3] = {x + 0.1 * v, y + 0.05 * (v % 2), 0};
        tail->next = kxutBuildList(10, p, 42, v % 3 == 0 ? 0.25 : 0.0, 0);
        tail = tail->next->next;
      }
      return head;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  int count = 200000;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--entities") == 0) count = std::atoi(argv[i + 1]);
  kx::editor::Session::instance().open(kx::db::newDrawing());

  double t0 = threadCpuSeconds();
  for (int i = 0; i < count; ++i) {
    resbuf* list = entityList(i);
    if (kxdbEntMake(list) != KXRT_NORM) {
      std::fprintf(stderr, "entity_list_bench: kxdbEntMake refused entity %d\n", i);
      return 1;
    }
    kxutRelRb(list);
  }
  const double makeSeconds = threadCpuSeconds() - t0;

  t0 = threadCpuSeconds();
  std::vector<Name> names;
  names.reserve(static_cast<std::size_t>(count));
  Name at{};
  for (int s = kxdbEntNext(nullptr, at.n); s == KXRT_NORM; s = kxdbEntNext(at.n, at.n))
    names.push_back(at);
  const double walkSeconds = threadCpuSeconds() - t0;

  t0 = threadCpuSeconds();
  std::size_t elements = 0;
  for (const Name& n : names) {
    resbuf* list = kxdbEntGet(n.n);
    for (resbuf* rb = list; rb; rb = rb->next) ++elements;
    kxutRelRb(list);
  }
  const double getSeconds = threadCpuSeconds() - t0;

  std::vector<resbuf*> lists;
  lists.reserve(names.size());
  for (const Name& n : names) lists.push_back(kxdbEntGet(n.n));
  t0 = threadCpuSeconds();
  for (resbuf* list : lists) kxdbEntMod(list);
  const double modSameSeconds = threadCpuSeconds() - t0;

  for (resbuf* list : lists)
    for (resbuf* rb = list; rb; rb = rb->next)
      if (rb->code == 10) {
        rb->value.point[0] += 100;
        break;
      }
  t0 = threadCpuSeconds();
  int refused = 0;
  for (resbuf* list : lists) refused += kxdbEntMod(list) != KXRT_NORM;
  const double modSeconds = threadCpuSeconds() - t0;
  for (resbuf* list : lists) kxutRelRb(list);

  const double n = static_cast<double>(names.size());
  fmt::print("entities {} ({} list elements), refused {}\n", names.size(), elements, refused);
  fmt::print("kxdbEntMake          {:>12.0f} /s\n", count / makeSeconds);
  fmt::print("kxdbEntNext          {:>12.0f} /s\n", n / walkSeconds);
  fmt::print("kxdbEntGet           {:>12.0f} /s\n", n / getSeconds);
  fmt::print("kxdbEntMod unchanged {:>12.0f} /s\n", n / modSameSeconds);
  fmt::print("kxdbEntMod moved     {:>12.0f} /s\n", n / modSeconds);
  fmt::print(
      "entities={} make_per_s={:.0f} next_per_s={:.0f} get_per_s={:.0f} mod_same_per_s={:.0f} "
      "mod_per_s={:.0f}\n",
      names.size(), count / makeSeconds, n / walkSeconds, n / getSeconds, n / modSameSeconds,
      n / modSeconds);
  return 0;
}
