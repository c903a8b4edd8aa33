// Route points matched with their waypoints partition by partition.
#include "formats/route_references.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <memory>

#include "formats/atomic_file.h"

namespace {

// The source bytes behind one partition: the table of its waypoints' names stays within about a
// MB, which the processor's cache holds.
constexpr std::uint64_t kSourcePerPartition = 1024 * 1024;
constexpr std::size_t kMaxPartitions = 256;
// The file is patched a region at a time: read, patched in memory, written back.
constexpr std::uint64_t kRegionSize = 1024 * 1024;
constexpr std::size_t kMaxRegions = 1024;

// The scratch records are kept small, as writing and reading them back is most of the work: a
// number that grows along a partition (a waypoint's index, a point's place, an offset in the file)
// is written as its step from the one before, 7 bits to a byte, and the hash of a name is worked
// out again rather than kept.
constexpr std::size_t kMaxVarintSize = 10;

char* PutVarint(char* out, std::uint64_t value) {
  for (; value >= 0x80; value >>= 7) *out++ = static_cast<char>(value | 0x80);
  *out++ = static_cast<char>(value);
  return out;
}

std::uint64_t GetVarint(const char*& in) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*in++);
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) return value;
  }
}

// A waypoint record: the steps of its index and of its route use offset, its longitude and
// latitude, then the name.
struct SWaypointTuple {
  std::uint64_t hash;
  std::uint64_t index;
  double longitude;
  double latitude;
  std::uint64_t routeUseAt;
};

// A point record: the steps of its place and of its offset, then the name.
struct SPointTuple {
  std::uint64_t hash;
  std::uint64_t place;
  std::uint64_t at;
};

std::uint64_t HashOf(std::string_view name) { return std::hash<std::string_view>{}(name); }

// The numbers before the current record in one partition, to take the steps from. Offsets may also
// go back (kNotWritten, then offsets): the steps wrap around.
struct SSteps {
  std::uint64_t index = 0;
  std::uint64_t at = 0;
};

std::string_view ReadWaypoint(std::string_view record, SSteps& steps, SWaypointTuple& waypoint) {
  const char* in = record.data();
  waypoint.index = steps.index += GetVarint(in);
  waypoint.routeUseAt = steps.at += GetVarint(in);
  std::memcpy(&waypoint.longitude, in, sizeof waypoint.longitude);
  std::memcpy(&waypoint.latitude, in + 8, sizeof waypoint.latitude);
  in += 16;
  const std::string_view name = record.substr(static_cast<std::size_t>(in - record.data()));
  waypoint.hash = HashOf(name);
  return name;
}

std::string_view ReadPoint(std::string_view record, SSteps& steps, SPointTuple& point) {
  const char* in = record.data();
  point.place = steps.index += GetVarint(in);
  point.at = steps.at += GetVarint(in);
  const std::string_view name = record.substr(static_cast<std::size_t>(in - record.data()));
  point.hash = HashOf(name);
  return name;
}

// How many records ahead of the one looked up a name's slot is fetched.
constexpr std::size_t kPrefetchAhead = 16;

// A route point's number, longitude and latitude as the file has them.
constexpr std::size_t kPointValuesSize = 4 + 8 + 8;

// Little-endian bytes of a value, as the file stores it.
template <typename T>
char* Put(char* out, T value) {
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if constexpr (std::endian::native == std::endian::big) std::reverse(std::begin(bytes), std::end(bytes));
  std::memcpy(out, bytes, sizeof(T));
  return out + sizeof(T);
}

// The distinct waypoint names of one partition, each with its first waypoint's values. Open
// addressing over one cache line per name (a short name is kept in it), so that a look-up costs one
// line of memory: the points of a partition name its waypoints in no useful order.
class CNameTable {
 public:
  struct alignas(64) SWaypoint {
    std::uint64_t hash;
    std::uint64_t index;
    double longitude;
    double latitude;
    std::uint64_t routeUseAt;
    std::uint32_t nameSize;
    bool taken;
    bool inRoute;
    // The name itself when it fits, otherwise its offset in m_names.
    char name[18];
  };
  static_assert(sizeof(SWaypoint) == 64);

  // Room for `count` names without growing.
  // Empty, with room for `count` names without growing; the room of the partition before is used
  // again.
  void Reset(std::uint64_t count) {
    std::size_t slots = 1024;
    while (slots < 2 * count) slots *= 2;
    m_slots.assign(slots, SWaypoint{});
    m_count = 0;
    m_names.clear();
  }

  void Prefetch(std::uint64_t hash) const { __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]); }

  // Keeps the first waypoint of each name; answers false for a later one.
  bool Add(const SWaypointTuple& head, std::string_view name) {
    if (Find(head.hash, name) != nullptr) return false;
    if (2 * (m_count + 1) > m_slots.size()) Grow();
    SWaypoint& waypoint = Slot(head.hash);
    waypoint = {head.hash,     head.index,      head.longitude,
                head.latitude, head.routeUseAt, static_cast<std::uint32_t>(name.size()),
                true,          false,           {}};
    if (name.size() <= sizeof waypoint.name) {
      std::memcpy(waypoint.name, name.data(), name.size());
    } else {
      const std::uint64_t at = m_names.size();
      std::memcpy(waypoint.name, &at, sizeof at);
      m_names.append(name);
    }
    ++m_count;
    return true;
  }

  SWaypoint* Find(std::uint64_t hash, std::string_view name) {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      SWaypoint& waypoint = m_slots[slot];
      if (!waypoint.taken) return nullptr;
      if (waypoint.hash == hash && NameOf(waypoint) == name) return &waypoint;
    }
  }

  // Every name's first waypoint, in no particular order.
  template <typename TVisit>
  void ForEach(TVisit visit) const {
    for (const SWaypoint& waypoint : m_slots)
      if (waypoint.taken) visit(waypoint);
  }

 private:
  std::string_view NameOf(const SWaypoint& waypoint) const {
    if (waypoint.nameSize <= sizeof waypoint.name) return std::string_view(waypoint.name, waypoint.nameSize);
    std::uint64_t at = 0;
    std::memcpy(&at, waypoint.name, sizeof at);
    return std::string_view(m_names).substr(at, waypoint.nameSize);
  }

  // The free slot where a name of this hash goes.
  SWaypoint& Slot(std::uint64_t hash) {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash & mask;
    while (m_slots[slot].taken) slot = (slot + 1) & mask;
    return m_slots[slot];
  }

  void Grow() {
    std::vector<SWaypoint> old(2 * m_slots.size());
    old.swap(m_slots);
    for (const SWaypoint& waypoint : old)
      if (waypoint.taken) Slot(waypoint.hash) = waypoint;
  }

  std::vector<SWaypoint> m_slots;
  std::size_t m_count = 0;
  std::string m_names;  // the names too long for their slot
};

// Values to write over placeholders, gathered by region of the file and written a region at a time.
class CRegionPatches {
 public:
  CRegionPatches(CSpillBuckets& spill, std::uint64_t fileSize) : m_spill(spill), m_fileSize(fileSize) {
    m_regionSize = std::max(kRegionSize, (fileSize + kMaxRegions - 1) / kMaxRegions);
    const std::uint64_t regions = (fileSize + m_regionSize - 1) / m_regionSize;
    for (std::uint64_t r = 0; r < regions; ++r) m_buckets.push_back(spill.AddBucket());
  }

  void Add(std::uint64_t at, const char* bytes, std::size_t size) {
    // A value across the end of a region is written in two parts, one for each region.
    while (size > 0) {
      const auto offset = static_cast<std::uint32_t>(at % m_regionSize);
      const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_regionSize - offset));
      char patch[sizeof offset + kPointValuesSize];
      std::memcpy(patch, &offset, sizeof offset);
      std::memcpy(patch + sizeof offset, bytes, part);
      m_spill.Add(m_buckets[at / m_regionSize], patch, sizeof offset + part);
      at += part;
      bytes += part;
      size -= part;
    }
  }

  bool Apply(CAtomicFile& file, CDiagnostic* why) {
    std::unique_ptr<char[]> region;
    for (std::size_t r = 0; r < m_buckets.size(); ++r) {
      CSpillReader patches(m_spill, m_buckets[r]);
      std::string_view patch;
      if (!patches.Next(patch)) continue;
      const std::uint64_t start = r * m_regionSize;
      const auto size = static_cast<std::size_t>(std::min(m_regionSize, m_fileSize - start));
      if (!region) region = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(m_regionSize));
      if (!file.ReadAt(start, region.get(), size, why)) return false;
      do {
        std::uint32_t offset = 0;
        std::memcpy(&offset, patch.data(), sizeof offset);
        std::memcpy(region.get() + offset, patch.data() + sizeof offset, patch.size() - sizeof offset);
      } while (patches.Next(patch));
      if (m_spill.HasFailed()) return false;
      if (!file.WriteAt(start, region.get(), size, why)) return false;
    }
    return true;
  }

 private:
  CSpillBuckets& m_spill;
  std::uint64_t m_fileSize;
  std::uint64_t m_regionSize;
  std::vector<std::size_t> m_buckets;
};

}  // namespace

CRouteReferences::CRouteReferences(CSpillBuckets& spill, std::uint64_t sourceSize) : m_spill(spill) {
  const auto partitions =
      static_cast<std::size_t>(std::clamp<std::uint64_t>(sourceSize / kSourcePerPartition + 1, 1, kMaxPartitions));
  for (std::size_t p = 0; p < partitions; ++p) {
    m_waypointBuckets.push_back(spill.AddBucket());
    m_pointBuckets.push_back(spill.AddBucket());
  }
  m_waypointSteps.resize(partitions);
  m_waypointCounts.resize(partitions);
  m_pointSteps.resize(partitions);
}

std::size_t CRouteReferences::PartitionOf(std::uint64_t hash) const {
  // The high half picks the partition; the table of a partition places names by the low bits.
  return static_cast<std::size_t>(((hash >> 32) * m_waypointBuckets.size()) >> 32);
}

void CRouteReferences::AddWaypoint(std::string_view name, std::uint64_t index, double longitude, double latitude,
                                   std::uint64_t routeUseAt) {
  const std::size_t partition = PartitionOf(HashOf(name));
  ++m_waypointCounts[partition];
  auto& [lastIndex, lastAt] = m_waypointSteps[partition];
  char head[2 * kMaxVarintSize + 16];
  char* out = PutVarint(head, index - lastIndex);
  out = PutVarint(out, routeUseAt - lastAt);
  std::memcpy(out, &longitude, sizeof longitude);
  std::memcpy(out + 8, &latitude, sizeof latitude);
  out += 16;
  lastIndex = index;
  lastAt = routeUseAt;
  m_spill.Add(m_waypointBuckets[partition], head, static_cast<std::size_t>(out - head), name);
}

void CRouteReferences::AddPoint(std::string_view name, std::uint64_t at) {
  const std::size_t partition = PartitionOf(HashOf(name));
  auto& [lastPlace, lastAt] = m_pointSteps[partition];
  const std::uint64_t place = m_points++;
  char head[2 * kMaxVarintSize];
  char* out = PutVarint(head, place - lastPlace);
  out = PutVarint(out, at - lastAt);
  lastPlace = place;
  lastAt = at;
  m_spill.Add(m_pointBuckets[partition], head, static_cast<std::size_t>(out - head), name);
}

CRouteReferences::EResult CRouteReferences::Resolve(CAtomicFile& file, bool patch, std::uint64_t& unnamedPlace,
                                                    std::string& unnamedName, CDiagnostic* why) {
  const auto failed = [&] {
    if (m_spill.HasFailed() && why != nullptr) *why = m_spill.GetError();
    return EResult::Failed;
  };
  if (m_spill.HasFailed()) return failed();
  CRegionPatches patches(m_spill, file.GetSize());
  bool unnamed = false;
  CNameTable table;
  std::vector<std::pair<SWaypointTuple, std::string_view>> waypointBatch;
  std::vector<std::pair<SPointTuple, std::string_view>> pointBatch;
  for (std::size_t p = 0; p < m_waypointBuckets.size(); ++p) {
    table.Reset(m_waypointCounts[p]);
    std::string_view run, record;
    SWaypointTuple waypoint;
    bool repeated = false;
    SSteps steps;
    // A run of records at a time, each name's slot asked for some records before it is looked at,
    // so that the fetches from memory overlap.
    for (CSpillReader waypoints(m_spill, m_waypointBuckets[p]); waypoints.NextRun(run);) {
      waypointBatch.clear();
      while (CSpillReader::TakeRecord(run, record)) {
        auto& [tuple, name] = waypointBatch.emplace_back();
        name = ReadWaypoint(record, steps, tuple);
      }
      for (std::size_t i = 0; i < waypointBatch.size(); ++i) {
        if (i + kPrefetchAhead < waypointBatch.size()) table.Prefetch(waypointBatch[i + kPrefetchAhead].first.hash);
        if (!table.Add(waypointBatch[i].first, waypointBatch[i].second)) repeated = true;
      }
    }
    steps = {};
    for (CSpillReader points(m_spill, m_pointBuckets[p]); points.NextRun(run);) {
      pointBatch.clear();
      while (CSpillReader::TakeRecord(run, record)) {
        auto& [tuple, name] = pointBatch.emplace_back();
        name = ReadPoint(record, steps, tuple);
      }
      for (std::size_t i = 0; i < pointBatch.size(); ++i) {
        if (i + kPrefetchAhead < pointBatch.size()) table.Prefetch(pointBatch[i + kPrefetchAhead].first.hash);
        const auto& [point, name] = pointBatch[i];
        CNameTable::SWaypoint* found = table.Find(point.hash, name);
        if (found == nullptr) {
          if (!unnamed || point.place < unnamedPlace) {
            unnamedPlace = point.place;
            unnamedName.assign(name);
          }
          unnamed = true;
          continue;
        }
        found->inRoute = true;
        if (unnamed || !patch || point.at == kNotWritten) continue;
        char values[kPointValuesSize];
        char* end = Put(values, static_cast<std::int32_t>(found->index + 1));
        end = Put(end, found->longitude);
        Put(end, found->latitude);
        patches.Add(point.at, values, sizeof values);
      }
    }
    if (unnamed || !patch) continue;
    // Every waypoint of a name that a point names is in a route, the first one and any later one;
    // only a partition that has later ones is read again for them.
    constexpr char kInRoute = 2;
    table.ForEach([&](const CNameTable::SWaypoint& first) {
      if (first.inRoute) patches.Add(first.routeUseAt, &kInRoute, 1);
    });
    if (!repeated) continue;
    steps = {};
    for (CSpillReader waypoints(m_spill, m_waypointBuckets[p]); waypoints.Next(record);) {
      const std::string_view name = ReadWaypoint(record, steps, waypoint);
      const CNameTable::SWaypoint* found = table.Find(waypoint.hash, name);
      if (found->inRoute && found->routeUseAt != waypoint.routeUseAt) patches.Add(waypoint.routeUseAt, &kInRoute, 1);
    }
  }
  if (m_spill.HasFailed()) return failed();
  if (unnamed) return EResult::Unnamed;
  if (patch && !patches.Apply(file, why)) return failed();
  return EResult::Done;
}
