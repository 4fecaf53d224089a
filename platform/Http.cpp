#include "platform/Http.h"

#include <cstdio>
#include <cstdlib>

namespace qvt {

namespace {
IHttp* g_http = nullptr;
}  // namespace

IHttp& http() {
  if (g_http == nullptr) {
    std::fprintf(stderr, "platform service not installed: http\n");
    std::abort();
  }
  return *g_http;
}

IHttp* SetHttp(IHttp* binding) {
  IHttp* previous = g_http;
  g_http = binding;
  return previous;
}

}  // namespace qvt
