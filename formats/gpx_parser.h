// The XML of a GPX file parsed on a thread of its own with libxml2's SAX2 parser: the elements a
// reader looks at, with their attributes and text, handed to the reading thread in batches through
// a bounded queue, so that parsing and all that is done with the values run side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "formats/diagnostic.h"
#include "formats/gpx_input.h"
#include "formats/input_file.h"

// What an element is, by its name, its namespace and where it stands. GPX's own elements are those
// of the GPX 1.0 or 1.1 namespace, of the root's namespace, or of none; ours those of our own
// extension namespace (formats/gpx.h); whatever prefix names them. Elements of no interest are
// Ignored: never reported, nor anything inside them.
enum class EGpxElement : std::uint8_t {
  Ignored,
  Root,
  RootExtensions,
  Header,
  HeaderText,
  HeaderCode,
  HeaderType,
  Waypoint,
  RoutePoint,
  PointEle,
  PointName,
  PointComment,
  PointDescription,
  PointSym,
  PointExtensions,
  PointSymbol,
  PointNumber,
  PointRouteUse,
  Route,
  RouteName,
  RouteNumber,
  RouteExtensions,
  RouteExtensionNumber,
  Track,
  TrackName,
  TrackExtensions,
  Segment,
  TrackPoint,
  NodeEle,
  NodeTime,
  NodeFix,
  NodeExtensions,
  NodeValidFix,
};

// Whether the element's text is its value (the others hold elements).
bool IsGpxText(EGpxElement element);

// One step of the parse, with its values in the bytes of its batch.
struct SGpxEvent {
  enum class EType : std::uint8_t {
    // An element begins. `offset` is where the parser stood after its start tag. A point's lat and
    // lon attributes are `first` and `second` (each only when present); the root's name as written
    // is `first` when it names no GPX root; an element with an integer value has its name as
    // written (with its prefix) in `first`.
    Start,
    End,    // the element ends
    Text,   // characters of the element's own text (a run may come in several pieces)
    CData,  // a CDATA section in it
    Break,  // a comment, instruction or element inside it, which ends a run of characters
    // An element whose text came in one piece and held nothing else: Start, Text (in `second`,
    // when there was any) and End in one.
    Value,
  };
  EType type;
  EGpxElement element;
  bool hasFirst;
  bool hasSecond;
  std::uint32_t firstSize;
  std::uint32_t secondSize;
  std::size_t first;  // where the values begin in the batch's bytes
  std::size_t second;
  std::uint64_t offset;
};

struct SGpxEventBatch {
  std::vector<SGpxEvent> events;
  std::string bytes;

  std::string_view First(const SGpxEvent& event) const { return {bytes.data() + event.first, event.firstSize}; }
  std::string_view Second(const SGpxEvent& event) const { return {bytes.data() + event.second, event.secondSize}; }
};

class CGpxInlineChannel;
class CGpxParser;
class CGpxPipe;
class CInputPump;

// One parse of a source. With `ownThread` it runs from construction on a thread of its own, and
// the source is read and filtered on the calling thread between batches, whenever the parse asks
// for more; without, the whole source is parsed at once (for a small one).
class CGpxParse {
 public:
  // `blockSize` is what is asked of the source at a time.
  CGpxParse(CByteSource& source, std::size_t blockSize, bool ownThread);
  // Ends the parse where it stands (when the reader leaves early) and waits for its thread.
  ~CGpxParse();
  CGpxParse(const CGpxParse&) = delete;
  CGpxParse& operator=(const CGpxParse&) = delete;

  // The next batch of events, the one before it handed back; null once the parse has ended.
  const SGpxEventBatch* Next();
  // No more events are wanted: the rest is parsed for faults of XML alone.
  void Quiet();

  // Once Next answered null: the first fault of XML (a nesting too deep among them), a read error
  // of the source, and whether the input filter made the parser's input differ from the file.
  const SGpxRefusal& Fault() const;
  const CDiagnostic& ReadError() const;
  bool InputChanged() const;
  // Bytes of a file in a declared code page that the page does not define (each read as '?').
  std::size_t DecodingReplacements() const;

 private:
  // Fills every input block the parse has handed back.
  void Pump();

  std::unique_ptr<CInputPump> m_pump;
  std::unique_ptr<CGpxInlineChannel> m_inline;
  std::unique_ptr<CGpxPipe> m_pipe;
  std::unique_ptr<CGpxParser> m_parser;
  std::thread m_thread;  // ended (by the destructor) before the rest goes
  SGpxEventBatch* m_batch = nullptr;
};
