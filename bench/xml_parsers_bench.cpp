// The XML parsers a GPX reader could stand on, side by side on the same 1,000,000-point track (the
// walk.gpx of scripts/bench, held in memory): each counts the elements in its own callbacks and
// does nothing else, so that the figures are the parsers' own. Here libxml2's interfaces, beside
// them the pass of the input filter the reader puts in front of the parser, and a plain scan of
// the bytes; expat in xml_parsers_expat_bench.cpp when it is installed.
#include "bench/xml_parsers_bench.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/generated_track.h"
#include "formats/code_page.h"
#include "formats/gpx_writer.h"
#include "formats/xml_input_filter.h"

namespace bench {

const std::string& Gpx() {
  static const std::string text = [] {
    SGpxDocument doc;
    doc.tracks.push_back(bench::MakeTrack(bench::BenchmarkWalk(kPoints)));
    CCodePage codePage;
    std::string made;
    if (!WriteGpxText(doc, codePage, made)) std::abort();
    return made;
  }();
  return text;
}

void Report(benchmark::State& state, std::uint64_t elements) {
  // 3 elements a point (trkpt, ele, time) and the few around them.
  if (elements < 3 * kPoints) state.SkipWithError("elements were lost");
  state.counters["elements"] = static_cast<double>(elements);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Gpx().size()));
}

}  // namespace bench

namespace {

using bench::Gpx;
using bench::kChunk;
using bench::kPoints;
using bench::Report;

// ---- libxml2 ----

struct SCount {
  std::uint64_t elements = 0;
  std::uint64_t text = 0;
};

void Libxml2Start(void* context, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int, int,
                  const xmlChar**) {
  ++static_cast<SCount*>(context)->elements;
}
void Libxml2Start1(void* context, const xmlChar*, const xmlChar**) { ++static_cast<SCount*>(context)->elements; }
void Libxml2Characters(void* context, const xmlChar*, int length) {
  static_cast<SCount*>(context)->text += static_cast<std::uint64_t>(length);
}

xmlSAXHandler Libxml2Handler(bool sax2, bool text) {
  xmlSAXHandler handler;
  std::memset(&handler, 0, sizeof handler);
  if (sax2) {
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = Libxml2Start;
  } else {
    handler.startElement = Libxml2Start1;
  }
  if (text) handler.characters = Libxml2Characters;
  return handler;
}

// The input handed to libxml2 a block at a time, through the reader's filter or not.
struct SMemoryInput {
  SMemoryInput(const std::string& all, bool throughFilter) : text(&all), filtered(throughFilter) {}

  const std::string* text;
  std::size_t at = 0;
  bool filtered;
  CXmlInputFilter filter;

  static int Read(void* context, char* buffer, int length) {
    auto& input = *static_cast<SMemoryInput*>(context);
    const std::string& all = *input.text;
    const std::size_t room = static_cast<std::size_t>(length);
    if (!input.filtered) {
      const std::size_t got = std::min(room, all.size() - input.at);
      std::memcpy(buffer, all.data() + input.at, got);
      input.at += got;
      return static_cast<int>(got);
    }
    const std::size_t left = std::min(kChunk, all.size() - input.at);
    std::size_t made = 0;
    input.at += input.filter.Filter(all.data() + input.at, left, input.at + left == all.size(), buffer, room, made);
    return static_cast<int>(made);
  }
  static int Close(void*) { return 0; }
};

void ParseIo(benchmark::State& state, bool sax2, bool text, bool filtered, int options) {
  std::uint64_t elements = 0;
  for (auto _ : state) {
    SCount count;
    xmlSAXHandler handler = Libxml2Handler(sax2, text);
    SMemoryInput input(Gpx(), filtered);
    xmlParserCtxtPtr parser = xmlCreateIOParserCtxt(&handler, &count, SMemoryInput::Read, SMemoryInput::Close, &input,
                                                    XML_CHAR_ENCODING_NONE);
    xmlCtxtUseOptions(parser, options);
    xmlParseDocument(parser);
    if (!parser->wellFormed) state.SkipWithError("not well-formed");
    xmlFreeParserCtxt(parser);
    elements = count.elements;
  }
  Report(state, elements);
}

// As the reader parses today: SAX2 pulling its input through the filter.
void Libxml2Sax2Filtered(benchmark::State& state) { ParseIo(state, true, true, true, XML_PARSE_NONET); }
// The same without the filter.
void Libxml2Sax2(benchmark::State& state) { ParseIo(state, true, true, false, XML_PARSE_NONET); }
// What can be switched off: no text callback (the parser still scans the text).
void Libxml2Sax2NoText(benchmark::State& state) { ParseIo(state, true, false, false, XML_PARSE_NONET); }
// The encoding declaration ignored and no dictionary for the tree (there is none).
void Libxml2Sax2Options(benchmark::State& state) {
  ParseIo(state, true, true, false, XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_NODICT | XML_PARSE_COMPACT);
}
// SAX1: no namespace processing in the parser (it would be ours to do).
void Libxml2Sax1(benchmark::State& state) { ParseIo(state, false, true, false, XML_PARSE_NONET | XML_PARSE_SAX1); }

// The push parser, handed blocks of 256 KiB.
void Libxml2Push(benchmark::State& state) {
  const std::string& gpx = Gpx();
  std::uint64_t elements = 0;
  for (auto _ : state) {
    SCount count;
    xmlSAXHandler handler = Libxml2Handler(true, true);
    xmlParserCtxtPtr parser = xmlCreatePushParserCtxt(&handler, &count, nullptr, 0, nullptr);
    xmlCtxtUseOptions(parser, XML_PARSE_NONET);
    for (std::size_t at = 0; at < gpx.size(); at += kChunk) {
      const std::size_t size = std::min(kChunk, gpx.size() - at);
      xmlParseChunk(parser, gpx.data() + at, static_cast<int>(size), at + size == gpx.size());
    }
    if (!parser->wellFormed) state.SkipWithError("not well-formed");
    xmlFreeParserCtxt(parser);
    elements = count.elements;
  }
  Report(state, elements);
}

// The pull interface: xmlTextReader, asking each node's local name and namespace.
void Libxml2Reader(benchmark::State& state) {
  const std::string& gpx = Gpx();
  std::uint64_t elements = 0;
  for (auto _ : state) {
    std::uint64_t count = 0;
    SMemoryInput input(gpx, false);
    xmlTextReaderPtr reader =
        xmlReaderForIO(SMemoryInput::Read, SMemoryInput::Close, &input, nullptr, nullptr, XML_PARSE_NONET);
    int status = 0;
    while ((status = xmlTextReaderRead(reader)) == 1) {
      if (xmlTextReaderNodeType(reader) != XML_READER_TYPE_ELEMENT) continue;
      benchmark::DoNotOptimize(xmlTextReaderConstLocalName(reader));
      benchmark::DoNotOptimize(xmlTextReaderConstNamespaceUri(reader));
      ++count;
    }
    if (status != 0) state.SkipWithError("not well-formed");
    xmlFreeTextReader(reader);
    elements = count;
  }
  Report(state, elements);
}

// ---- Beside the parsers ----

// The reader's filter alone, block by block into a buffer.
void FilterAlone(benchmark::State& state) {
  const std::string& gpx = Gpx();
  std::vector<char> out(kChunk);
  for (auto _ : state) {
    CXmlInputFilter filter;
    std::size_t at = 0;
    while (at < gpx.size()) {
      const std::size_t left = std::min(kChunk, gpx.size() - at);
      std::size_t made = 0;
      at += filter.Filter(gpx.data() + at, left, at + left == gpx.size(), out.data(), out.size(), made);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gpx.size()));
}

// Every byte looked at once: the floor of any pass over the text.
void ScanBytes(benchmark::State& state) {
  const std::string& gpx = Gpx();
  for (auto _ : state) benchmark::DoNotOptimize(std::count(gpx.begin(), gpx.end(), '<'));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gpx.size()));
}

}  // namespace

BENCHMARK(ScanBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(FilterAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2Sax2Filtered)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2Sax2)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2Sax2NoText)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2Sax2Options)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2Sax1)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2Push)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2Reader)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
