// expat as a candidate for reading GPX, on the same input as libxml2's interfaces.
#include <expat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "bench/xml_parsers_bench.h"

namespace {

using bench::Gpx;
using bench::kChunk;
using bench::Report;

struct SCount {
  std::uint64_t elements = 0;
  std::uint64_t text = 0;
};

void XMLCALL ExpatStart(void* context, const XML_Char*, const XML_Char**) { ++static_cast<SCount*>(context)->elements; }
void XMLCALL ExpatCharacters(void* context, const XML_Char*, int length) {
  static_cast<SCount*>(context)->text += static_cast<std::uint64_t>(length);
}

void Expat(benchmark::State& state, bool namespaces) {
  const std::string& gpx = Gpx();
  std::uint64_t elements = 0;
  for (auto _ : state) {
    SCount count;
    XML_Parser parser = namespaces ? XML_ParserCreateNS(nullptr, '\x01') : XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &count);
    XML_SetStartElementHandler(parser, ExpatStart);
    XML_SetCharacterDataHandler(parser, ExpatCharacters);
    for (std::size_t at = 0; at < gpx.size(); at += kChunk) {
      const std::size_t size = std::min(kChunk, gpx.size() - at);
      void* buffer = XML_GetBuffer(parser, static_cast<int>(size));
      std::memcpy(buffer, gpx.data() + at, size);
      if (XML_ParseBuffer(parser, static_cast<int>(size), at + size == gpx.size()) != XML_STATUS_OK) {
        state.SkipWithError("not well-formed");
        break;
      }
    }
    XML_ParserFree(parser);
    elements = count.elements;
  }
  Report(state, elements);
}

void ExpatNamespaces(benchmark::State& state) { Expat(state, true); }
void ExpatPlain(benchmark::State& state) { Expat(state, false); }

}  // namespace

BENCHMARK(ExpatPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(ExpatNamespaces)->Unit(benchmark::kMillisecond);
