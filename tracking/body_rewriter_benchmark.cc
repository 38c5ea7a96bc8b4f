// RewriteBody on bodies of growing size with a link every 500 bytes; the time
// should grow in step with the body.
#include <benchmark/benchmark.h>

#include "tracking/body_rewriter.h"
#include "tracking/tracking_query.h"

namespace norvale {
namespace {

std::u16string MakeBody(size_t size) {
  std::u16string body = u"<html><body>";
  for (size_t n = 0; body.size() < size; ++n) {
    const std::u16string link = u"<a href=\"https://example.com/page" +
                                std::u16string(1, u'0' + n % 10) + u"/" +
                                std::u16string(1, u'a' + n % 26) + u"\">link</a>";
    body += link;
    body.append(500 - link.size() - 4, u'x');
    body += u"<br>";
  }
  return body + u"</body></html>";
}

void BM_RewriteBody(benchmark::State& state) {
  const std::u16string body = MakeBody(static_cast<size_t>(state.range(0)));
  std::array<std::u16string, 8> v = {
      u"Quarterly update",     u"mary@contoso.com", u"Mary", u"Smith", u"Jane", u"Roe",
      u"jane.roe@contoso.com", u"Contoso"};
  const std::u16string query = BuildTrackingQuery(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  for (auto _ : state) {
    std::u16string text = body;
    RewriteBody(text, query);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_RewriteBody)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace norvale
