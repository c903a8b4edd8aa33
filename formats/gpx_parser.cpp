// Parsing the XML of a GPX file on a thread of its own with libxml2's SAX2 parser.
#include "formats/gpx_parser.h"

#include <libxml/parser.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "formats/gpx.h"
#include "formats/gpx_pipe.h"

namespace {

// Elements nested deeper are refused: GPX needs a handful of levels, extensions a few more.
constexpr std::size_t kMaxDepth = 256;

// Where libxml2's faults outside a parse would go; ours are taken from the parser.
void Silent(void*, const char*, ...) {}

const char* Text(const xmlChar* text) { return reinterpret_cast<const char*>(text); }

// ---- Elements ----

// The names the parser looks for, as its dictionary holds them: the parser hands every name and
// namespace over from that dictionary, so a name is one of these exactly when it is the same
// pointer.
struct SNames {
  explicit SNames(xmlDictPtr dictionary) {
    const auto intern = [dictionary](const char* text) {
      return xmlDictLookup(dictionary, reinterpret_cast<const xmlChar*>(text), -1);
    };
    cmt = intern("cmt");
    desc = intern("desc");
    ele = intern("ele");
    extensions = intern("extensions");
    fileType = intern("fileType");
    fix = intern("fix");
    gpx = intern("gpx");
    header = intern("header");
    name = intern("name");
    number = intern("number");
    routeUse = intern("routeUse");
    rte = intern("rte");
    rtept = intern("rtept");
    sym = intern("sym");
    symbol = intern("symbol");
    time = intern("time");
    trk = intern("trk");
    trkpt = intern("trkpt");
    trkseg = intern("trkseg");
    validFix = intern("validFix");
    versionCode = intern("versionCode");
    versionText = intern("versionText");
    wpt = intern("wpt");
    lat = intern("lat");
    lon = intern("lon");
    gpx10 = intern("http://www.topografix.com/GPX/1/0");
    gpx11 = intern("http://www.topografix.com/GPX/1/1");
    ours = intern(kGpxExtensionNamespace);
  }
  const xmlChar* cmt;
  const xmlChar* desc;
  const xmlChar* ele;
  const xmlChar* extensions;
  const xmlChar* fileType;
  const xmlChar* fix;
  const xmlChar* gpx;
  const xmlChar* header;
  const xmlChar* name;
  const xmlChar* number;
  const xmlChar* routeUse;
  const xmlChar* rte;
  const xmlChar* rtept;
  const xmlChar* sym;
  const xmlChar* symbol;
  const xmlChar* time;
  const xmlChar* trk;
  const xmlChar* trkpt;
  const xmlChar* trkseg;
  const xmlChar* validFix;
  const xmlChar* versionCode;
  const xmlChar* versionText;
  const xmlChar* wpt;
  const xmlChar* lat;
  const xmlChar* lon;
  const xmlChar* gpx10;
  const xmlChar* gpx11;
  const xmlChar* ours;
};

// The kind of an element of GPX's namespaces (`gpx`) or of ours (`ours`) in the element of kind
// `parent`; Ignored for any other.
EGpxElement Classify(const SNames& names, EGpxElement parent, const xmlChar* name, bool gpx, bool ours) {
  using E = EGpxElement;
  switch (parent) {
    case E::Root:
      if (!gpx) return E::Ignored;
      if (name == names.wpt) return E::Waypoint;
      if (name == names.rte) return E::Route;
      if (name == names.trk) return E::Track;
      return name == names.extensions ? E::RootExtensions : E::Ignored;
    case E::Waypoint:
    case E::RoutePoint:
      if (!gpx) return E::Ignored;
      if (name == names.ele) return E::PointEle;
      if (name == names.name) return E::PointName;
      if (name == names.cmt) return E::PointComment;
      if (name == names.desc) return E::PointDescription;
      if (name == names.sym) return E::PointSym;
      return name == names.extensions ? E::PointExtensions : E::Ignored;
    case E::PointExtensions:
      if (!ours) return E::Ignored;
      if (name == names.symbol) return E::PointSymbol;
      if (name == names.number) return E::PointNumber;
      return name == names.routeUse ? E::PointRouteUse : E::Ignored;
    case E::Route:
      if (!gpx) return E::Ignored;
      if (name == names.name) return E::RouteName;
      if (name == names.number) return E::RouteNumber;
      if (name == names.rtept) return E::RoutePoint;
      return name == names.extensions ? E::RouteExtensions : E::Ignored;
    case E::RouteExtensions:
      return ours && name == names.number ? E::RouteExtensionNumber : E::Ignored;
    case E::Track:
      if (!gpx) return E::Ignored;
      if (name == names.name) return E::TrackName;
      if (name == names.trkseg) return E::Segment;
      return name == names.extensions ? E::TrackExtensions : E::Ignored;
    case E::RootExtensions:
    case E::TrackExtensions:
      return ours && name == names.header ? E::Header : E::Ignored;
    case E::Header:
      if (!ours) return E::Ignored;
      if (name == names.versionText) return E::HeaderText;
      if (name == names.versionCode) return E::HeaderCode;
      return name == names.fileType ? E::HeaderType : E::Ignored;
    case E::Segment:
      return gpx && name == names.trkpt ? E::TrackPoint : E::Ignored;
    case E::TrackPoint:
      if (!gpx) return E::Ignored;
      if (name == names.ele) return E::NodeEle;
      if (name == names.time) return E::NodeTime;
      if (name == names.fix) return E::NodeFix;
      return name == names.extensions ? E::NodeExtensions : E::Ignored;
    case E::NodeExtensions:
      return ours && name == names.validFix ? E::NodeValidFix : E::Ignored;
    default:
      return E::Ignored;
  }
}

bool HasIntegerValue(EGpxElement element) {
  using E = EGpxElement;
  return element == E::PointSymbol || element == E::PointNumber || element == E::PointRouteUse ||
         element == E::RouteNumber || element == E::RouteExtensionNumber || element == E::HeaderType ||
         element == E::NodeValidFix;
}

std::string Written(const xmlChar* name, const xmlChar* prefix) {
  return prefix != nullptr ? std::string(Text(prefix)) + ":" + Text(name) : std::string(Text(name));
}

// A fault of XML in the user's words, from what the parser says of it (its own words for the rare
// ones). The place is added by the reader.
std::string Worded(const xmlError& error, bool emptyInput) {
  const std::string first = error.str1 != nullptr ? error.str1 : "";
  const std::string second = error.str2 != nullptr ? error.str2 : "";
  const std::string line = std::to_string(error.int1);
  switch (error.code) {
    case XML_ERR_DOCUMENT_EMPTY:
      return emptyInput ? "not a GPX file: the file is empty" : "not a GPX file: it does not begin with an XML element";
    case XML_ERR_TAG_NAME_MISMATCH:
      return "<" + first + "> of line " + line + " ends with </" + second + ">";
    case XML_ERR_TAG_NOT_FINISHED:
      return "the file ends inside <" + first + "> of line " + line;
    case XML_ERR_GT_REQUIRED:
      return "the tag <" + first + "> does not end with '>'";
    case XML_ERR_ATTRIBUTE_NOT_STARTED:
      return "an attribute value without quotes";
    case XML_ERR_LT_IN_ATTRIBUTE:
      return "a '<' in an attribute value";
    case XML_ERR_ATTRIBUTE_WITHOUT_VALUE:
      return "the attribute " + first + " has no value";
    case XML_ERR_ATTRIBUTE_REDEFINED:
      return "the attribute " + first + " is given twice";
    case XML_ERR_NAME_REQUIRED:
      return "a '<' that begins no tag";
    case XML_ERR_COMMENT_NOT_FINISHED:
      return "a comment without its end \"-->\"";
    case XML_ERR_CDATA_NOT_FINISHED:
      return "a CDATA section without its end \"]]>\"";
    case XML_ERR_PI_NOT_FINISHED:
      return "a processing instruction without its end \"?>\"";
    case XML_ERR_INVALID_CHAR:
    case XML_ERR_INVALID_CHARREF:
      return "a character that XML does not allow";
    case XML_ERR_UNSUPPORTED_ENCODING:
      return "the file's encoding " + first + " is not known";
    default:
      break;
  }
  std::string message = error.message != nullptr ? error.message : "not well-formed";
  message = message.substr(0, message.find('\n'));
  while (!message.empty() && message.back() == ' ') message.pop_back();
  return "not a GPX file: " + message;
}

}  // namespace

bool IsGpxText(EGpxElement element) {
  using E = EGpxElement;
  switch (element) {
    case E::HeaderText:
    case E::HeaderCode:
    case E::HeaderType:
    case E::PointEle:
    case E::PointName:
    case E::PointComment:
    case E::PointDescription:
    case E::PointSym:
    case E::PointSymbol:
    case E::PointNumber:
    case E::PointRouteUse:
    case E::RouteName:
    case E::RouteNumber:
    case E::RouteExtensionNumber:
    case E::TrackName:
    case E::NodeEle:
    case E::NodeTime:
    case E::NodeFix:
    case E::NodeValidFix:
      return true;
    default:
      return false;
  }
}

// ---- The parse ----

// The parse itself: libxml2's callbacks turned into events.
class CGpxParser {
 public:
  // `decodes`: the input comes as UTF-8 whatever the file declares; `emptyInput`: the file is empty.
  CGpxParser(CGpxChannel& channel, bool decodes, bool emptyInput)
      : m_channel(channel), m_decodes(decodes), m_emptyInput(emptyInput) {}

  // Parses the whole input, or until the reader leaves.
  void Run();
  void Quiet() { m_quiet.store(true, std::memory_order_relaxed); }
  const SGpxRefusal& Fault() const { return m_fault; }

 private:
  static int Read(void* context, char* buffer, int length);
  static int Close(void*) { return 0; }

  static void OnStart(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri, int namespaceCount,
                      const xmlChar** namespaces, int attributeCount, int defaulted, const xmlChar** attributes);
  static void OnEnd(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri);
  static void OnCharacters(void* context, const xmlChar* text, int length);
  static void OnCData(void* context, const xmlChar* text, int length);
  static void OnComment(void* context, const xmlChar*);
  static void OnInstruction(void* context, const xmlChar*, const xmlChar*);
  static void OnError(void* context, xmlErrorPtr error);
  // Runs a callback; a lack of memory stops the parse with a reason.
  template <typename F>
  static void Guarded(void* context, F&& callback);

  void Start(const xmlChar* name, const xmlChar* prefix, const xmlChar* uri, int attributeCount,
             const xmlChar** attributes);
  void End();
  void Characters(SGpxEvent::EType type, const xmlChar* text, int length);
  void Break();
  void Error(const xmlError& error);
  void Refuse(bool atElement, std::string rule);

  std::uint64_t Offset() const;
  bool Reporting() const { return !m_stopped && !m_quiet.load(std::memory_order_relaxed); }
  // The batch events go into; null when the reader has left (the parse then stops).
  SGpxEventBatch* Batch();
  SGpxEvent& Add(SGpxEvent::EType type, EGpxElement element);
  void Append(SGpxEvent& event, bool second, const char* bytes, std::size_t size);
  // Hands the batch over once it is full (or, with `last`, whatever it holds).
  void Handover(bool last);

  CGpxChannel& m_channel;
  const bool m_decodes;
  const bool m_emptyInput;
  SInputBlock* m_input = nullptr;  // the block the parser reads from
  std::atomic<bool> m_quiet = false;
  xmlParserCtxtPtr m_parser = nullptr;
  std::unique_ptr<SNames> m_names;
  std::vector<EGpxElement> m_open;  // the elements reported and not ended yet
  std::size_t m_ignored = 0;        // the depth inside an element not reported
  bool m_inText = false;            // in an element whose text is its value (not inside another)
  // Where the Start event of that element is, while it may still become a Value.
  const SGpxEventBatch* m_valueBatch = nullptr;
  std::size_t m_valueStart = 0;
  const xmlChar* m_rootUri = nullptr;
  SGpxEventBatch* m_batch = nullptr;
  bool m_stopped = false;  // by a fault or by the reader
  SGpxRefusal m_fault;
  bool m_weakFault = false;  // a fault of XML that a more telling one right after it replaces
};

void CGpxParser::Run() {
  // Every fault is reported through the parser's own handler; nothing goes to standard error.
  xmlSetGenericErrorFunc(nullptr, Silent);
  xmlSAXHandler handler;
  std::memset(&handler, 0, sizeof handler);
  handler.initialized = XML_SAX2_MAGIC;
  handler.startElementNs = OnStart;
  handler.endElementNs = OnEnd;
  handler.characters = OnCharacters;
  handler.ignorableWhitespace = OnCharacters;
  handler.cdataBlock = OnCData;
  handler.comment = OnComment;
  handler.processingInstruction = OnInstruction;
  handler.serror = OnError;
  // No entity, subset or resolver callbacks: nothing outside the file is ever looked up.
  m_parser = xmlCreateIOParserCtxt(&handler, this, Read, Close, this, XML_CHAR_ENCODING_NONE);
  if (m_parser == nullptr) {
    m_fault = {true, false, 0, "not enough memory to read the file"};
  } else {
    Guarded(this, [this] { m_names = std::make_unique<SNames>(m_parser->dict); });
    // A file the filter decodes comes as UTF-8, whatever its declaration says.
    xmlCtxtUseOptions(m_parser, XML_PARSE_NONET | (m_decodes ? XML_PARSE_IGNORE_ENC : 0));
    if (m_names != nullptr) xmlParseDocument(m_parser);
    if (m_parser->myDoc != nullptr) xmlFreeDoc(m_parser->myDoc);
    xmlFreeParserCtxt(m_parser);
    m_parser = nullptr;
  }
  if (m_batch != nullptr) m_channel.PushBatch(m_batch);
  m_batch = nullptr;
  m_channel.Close();
}

int CGpxParser::Read(void* context, char* buffer, int length) {
  auto& parse = *static_cast<CGpxParser*>(context);
  SInputBlock*& block = parse.m_input;
  while (block == nullptr || block->taken == block->size) {
    if (block != nullptr && block->last) return block->failed ? -1 : 0;
    if ((block = parse.m_channel.NextInput(block)) == nullptr) {
      parse.m_stopped = true;
      return -1;  // the reader has left
    }
  }
  const std::size_t size = std::min(static_cast<std::size_t>(std::max(length, 0)), block->size - block->taken);
  std::memcpy(buffer, block->data.get() + block->taken, size);
  block->taken += size;
  return static_cast<int>(size);
}

template <typename F>
void CGpxParser::Guarded(void* context, F&& callback) {
  auto* parse = static_cast<CGpxParser*>(context);
  try {
    callback();
  } catch (const std::bad_alloc&) {
    if (parse->m_parser != nullptr) xmlStopParser(parse->m_parser);
    parse->m_stopped = true;
    parse->m_fault = {true, false, parse->Offset(), "not enough memory to read the file"};
  } catch (const std::system_error&) {
    if (parse->m_parser != nullptr) xmlStopParser(parse->m_parser);
    parse->m_stopped = true;
    parse->m_fault = {true, false, parse->Offset(), "no thread to read the file with"};
  }
}

std::uint64_t CGpxParser::Offset() const {
  if (m_parser == nullptr || m_parser->inputNr < 1) return 0;
  // The document's own input, even while an entity of the internal subset is being read.
  const xmlParserInputPtr input = m_parser->inputTab[0];
  // A file in another encoding is read through a decoder; libxml2 counts its bytes back.
  if (input->buf != nullptr && input->buf->encoder != nullptr)
    return static_cast<std::uint64_t>(std::max(xmlByteConsumed(m_parser), 0L));
  return input->consumed + static_cast<std::uint64_t>(input->cur - input->base);
}

SGpxEventBatch* CGpxParser::Batch() {
  if (m_batch == nullptr && (m_batch = m_channel.EmptyBatch()) == nullptr) {
    xmlStopParser(m_parser);
    m_stopped = true;
  }
  return m_batch;
}

SGpxEvent& CGpxParser::Add(SGpxEvent::EType type, EGpxElement element) {
  return m_batch->events.emplace_back(SGpxEvent{type, element, false, false, 0, 0, 0, 0, 0});
}

void CGpxParser::Append(SGpxEvent& event, bool second, const char* bytes, std::size_t size) {
  (second ? event.hasSecond : event.hasFirst) = true;
  (second ? event.second : event.first) = m_batch->bytes.size();
  (second ? event.secondSize : event.firstSize) = static_cast<std::uint32_t>(size);
  m_batch->bytes.append(bytes, size);
}

void CGpxParser::Handover(bool last) {
  if (!last && m_batch->events.size() < kGpxBatchEvents && m_batch->bytes.size() < kGpxBatchBytes) return;
  m_channel.PushBatch(m_batch);
  m_batch = nullptr;
  m_valueBatch = nullptr;  // it may come back refilled
}

void CGpxParser::Refuse(bool atElement, std::string rule) {
  m_fault = {true, atElement, Offset(), std::move(rule)};
  m_weakFault = false;
  m_stopped = true;
  xmlStopParser(m_parser);
}

void CGpxParser::Start(const xmlChar* name, const xmlChar* prefix, const xmlChar* uri, int attributeCount,
                       const xmlChar** attributes) {
  if (m_open.size() + m_ignored >= kMaxDepth) {
    Refuse(true, "elements nested more than " + std::to_string(kMaxDepth) + " deep");
    return;
  }
  if (m_ignored != 0) {
    ++m_ignored;
    return;
  }
  const SNames& names = *m_names;
  EGpxElement element = EGpxElement::Root;
  bool refusedRoot = false;
  if (m_open.empty()) {
    // Devices and hand-made files often leave out the namespace (or misspell it) and the version;
    // GPX 1.0 and 1.1 differ in nothing that is read here, so any gpx root is read alike, but not
    // one whose prefix binds it to another namespace.
    m_rootUri = uri;
    refusedRoot = name != names.gpx || (prefix != nullptr && uri != names.gpx10 && uri != names.gpx11);
  } else {
    if (IsGpxText(m_open.back())) Break();
    const bool gpx =
        uri == m_rootUri || uri == names.gpx10 || uri == names.gpx11 || (uri == nullptr && prefix == nullptr);
    element = Classify(names, m_open.back(), name, gpx, uri == names.ours);
    if (element == EGpxElement::Ignored) {
      ++m_ignored;
      m_inText = false;
      return;
    }
  }
  m_open.push_back(element);
  m_inText = IsGpxText(element);
  if (!Reporting() || Batch() == nullptr) return;
  SGpxEvent& event = Add(SGpxEvent::EType::Start, element);
  event.offset = Offset();
  if (m_inText) {
    m_valueBatch = m_batch;
    m_valueStart = m_batch->events.size() - 1;
  }
  if (refusedRoot) {
    const std::string written = Written(name, prefix);
    Append(event, false, written.data(), written.size());
    m_quiet = true;  // nothing in it is read
  } else if (element == EGpxElement::Waypoint || element == EGpxElement::RoutePoint ||
             element == EGpxElement::TrackPoint) {
    // Attributes come as name, prefix, namespace, value and value end; lat and lon have no prefix.
    for (int i = 0; i < attributeCount; ++i) {
      const xmlChar** attribute = attributes + 5 * i;
      if (attribute[1] != nullptr || (attribute[0] != names.lat && attribute[0] != names.lon)) continue;
      Append(event, attribute[0] == names.lon, Text(attribute[3]),
             static_cast<std::size_t>(attribute[4] - attribute[3]));
    }
  } else if (HasIntegerValue(element)) {
    const std::string written = Written(name, prefix);
    Append(event, false, written.data(), written.size());
  }
  Handover(false);
}

void CGpxParser::End() {
  if (m_ignored != 0) {
    m_inText = --m_ignored == 0 && IsGpxText(m_open.back());
    return;
  }
  const EGpxElement element = m_open.back();
  const bool text = m_inText;
  m_open.pop_back();
  m_inText = false;  // no element with text holds another
  // Whatever follows the root element is not read, as it never was: a file padded with zero
  // bytes or other junk at its end reads as the GPX it holds.
  if (m_open.empty()) xmlStopParser(m_parser);
  if (!Reporting() || Batch() == nullptr) return;
  std::vector<SGpxEvent>& events = m_batch->events;
  // Most values come whole: the element's start, its text and its end go as one event.
  if (text && m_valueBatch == m_batch && m_valueStart + 2 >= events.size() &&
      (m_valueStart + 1 == events.size() || events.back().type == SGpxEvent::EType::Text)) {
    SGpxEvent& value = events[m_valueStart];
    value.type = SGpxEvent::EType::Value;
    if (m_valueStart + 2 == events.size()) {
      value.hasSecond = true;
      value.second = events.back().first;
      value.secondSize = events.back().firstSize;
      events.pop_back();
    }
    Handover(false);
    return;
  }
  Add(SGpxEvent::EType::End, element);
  Handover(m_open.empty());
}

void CGpxParser::Characters(SGpxEvent::EType type, const xmlChar* text, int length) {
  if (!Reporting() || Batch() == nullptr) return;
  const auto size = static_cast<std::size_t>(length);
  // A run that the parser hands over in pieces goes on in one event while the batch holds it.
  if (type == SGpxEvent::EType::Text && !m_batch->events.empty()) {
    SGpxEvent& last = m_batch->events.back();
    if (last.type == type && last.first + last.firstSize == m_batch->bytes.size() &&
        size <= std::numeric_limits<std::uint32_t>::max() - last.firstSize) {
      m_batch->bytes.append(Text(text), size);
      last.firstSize += static_cast<std::uint32_t>(size);
      Handover(false);
      return;
    }
  }
  Append(Add(type, m_open.back()), false, Text(text), size);
  Handover(false);
}

void CGpxParser::Break() {
  if (!Reporting() || Batch() == nullptr) return;
  Add(SGpxEvent::EType::Break, m_open.back());
  Handover(false);
}

void CGpxParser::Error(const xmlError& error) {
  // Namespace faults and warnings leave the document readable, as they always did.
  if (error.level != XML_ERR_FATAL || (m_fault.set && !m_weakFault)) return;
  m_fault = {true, false, Offset(), Worded(error, m_emptyInput)};
  // "attributes construct error" comes just before the fault that says which tag it is.
  m_weakFault = error.code == XML_ERR_SPACE_REQUIRED;
  if (m_weakFault) return;
  m_stopped = true;
  xmlStopParser(m_parser);
}

void CGpxParser::OnStart(void* context, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri, int,
                         const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
  Guarded(context, [&] { static_cast<CGpxParser*>(context)->Start(name, prefix, uri, attributeCount, attributes); });
}

void CGpxParser::OnEnd(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  Guarded(context, [&] { static_cast<CGpxParser*>(context)->End(); });
}

// Only an element's own text counts, not that of elements inside it, nor the white space between
// elements.
void CGpxParser::OnCharacters(void* context, const xmlChar* text, int length) {
  auto* parse = static_cast<CGpxParser*>(context);
  if (parse->m_inText) Guarded(context, [&] { parse->Characters(SGpxEvent::EType::Text, text, length); });
}

void CGpxParser::OnCData(void* context, const xmlChar* text, int length) {
  auto* parse = static_cast<CGpxParser*>(context);
  if (parse->m_inText) Guarded(context, [&] { parse->Characters(SGpxEvent::EType::CData, text, length); });
}

// A comment or instruction ends a run of characters.
void CGpxParser::OnComment(void* context, const xmlChar*) {
  auto* parse = static_cast<CGpxParser*>(context);
  if (parse->m_inText) Guarded(context, [parse] { parse->Break(); });
}

void CGpxParser::OnInstruction(void* context, const xmlChar*, const xmlChar*) { OnComment(context, nullptr); }

void CGpxParser::OnError(void* context, xmlErrorPtr error) {
  if (error != nullptr) Guarded(context, [&] { static_cast<CGpxParser*>(context)->Error(*error); });
}

// ---- CGpxParse ----

CGpxParse::CGpxParse(CByteSource& source, std::size_t blockSize, bool ownThread)
    : m_pump(std::make_unique<CInputPump>(source, blockSize)) {
  static const bool initialised = [] {
    xmlInitParser();
    return true;
  }();
  (void)initialised;
  m_pump->Begin();
  if (!ownThread) {
    m_inline = std::make_unique<CGpxInlineChannel>(*m_pump, blockSize);
    m_parser = std::make_unique<CGpxParser>(*m_inline, m_pump->Decodes(), m_pump->IsEmpty());
    m_parser->Run();
    return;
  }
  m_pipe = std::make_unique<CGpxPipe>(blockSize);
  Pump();
  m_parser = std::make_unique<CGpxParser>(*m_pipe, m_pump->Decodes(), m_pump->IsEmpty());
  m_thread = std::thread([this] { m_parser->Run(); });
}

CGpxParse::~CGpxParse() {
  if (!m_thread.joinable()) return;
  m_pipe->Cancel();
  m_thread.join();
}

void CGpxParse::Pump() {
  SInputBlock* block = nullptr;
  while (!m_pump->Done() && (block = m_pipe->FreeInput()) != nullptr) {
    m_pump->Fill(*block);
    m_pipe->PushInput(block);
  }
}

const SGpxEventBatch* CGpxParse::Next() {
  if (m_inline) return m_inline->PopBatch();
  if (m_batch != nullptr) m_pipe->Recycle(m_batch);
  for (;;) {
    // Every block the parse has read is filled again before it asks.
    Pump();
    bool wanted = false;
    m_batch = m_pipe->PopBatch(wanted);
    if (!wanted) return m_batch;
  }
}

void CGpxParse::Quiet() { m_parser->Quiet(); }
const SGpxRefusal& CGpxParse::Fault() const { return m_parser->Fault(); }
const CDiagnostic& CGpxParse::ReadError() const { return m_pump->Error(); }
bool CGpxParse::InputChanged() const { return m_pump->HasChanged(); }
std::size_t CGpxParse::DecodingReplacements() const { return m_pump->GetReplacementCount(); }
