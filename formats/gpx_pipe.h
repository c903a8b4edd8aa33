// Between a GPX parse and its reader: the input blocks on their way to the parse and the batches
// of events on their way back, across two threads or, for a small file, on one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "formats/gpx_input.h"
#include "formats/gpx_parser.h"

// A batch is handed over once it holds this many events or bytes; with kGpxBatches of them in all,
// a parse runs at most that far ahead of its reader. A batch that one large value made larger
// gives its memory back when it is handed over again.
inline constexpr std::size_t kGpxBatchEvents = 8192;
inline constexpr std::size_t kGpxBatchBytes = 128 * 1024;
inline constexpr std::size_t kGpxBatches = 4;
// The parse has this many blocks of input to read from: one it reads, the others filled meanwhile.
inline constexpr std::size_t kGpxInputBlocks = 3;

// Where the parse takes its input from and leaves its batches.
class CGpxChannel {
 public:
  virtual ~CGpxChannel() = default;
  // The next input block, the one before handed back; null when the reader has left.
  virtual SInputBlock* NextInput(SInputBlock* done) = 0;
  // An empty batch to fill; null when the reader has left.
  virtual SGpxEventBatch* EmptyBatch() = 0;
  virtual void PushBatch(SGpxEventBatch* batch) = 0;
  // No batch will follow.
  virtual void Close() = 0;
};

// A small file parsed whole on the caller's thread before its events are taken: a thread would
// cost more than it saves, and the file's events take little memory.
class CGpxInlineChannel : public CGpxChannel {
 public:
  CGpxInlineChannel(CInputPump& pump, std::size_t blockSize) : m_pump(pump), m_block(blockSize) {}

  SInputBlock* NextInput(SInputBlock*) override {
    m_pump.Fill(m_block);
    return &m_block;
  }
  SGpxEventBatch* EmptyBatch() override { return m_batches.emplace_back(std::make_unique<SGpxEventBatch>()).get(); }
  // Batches are filled one at a time, so they come in the order they were taken.
  void PushBatch(SGpxEventBatch*) override {}
  void Close() override {}

  // For the reader: the next batch, null after the last; the one before is given up.
  SGpxEventBatch* PopBatch() {
    if (m_next != 0) m_batches[m_next - 1].reset();
    return m_next < m_batches.size() ? m_batches[m_next++].get() : nullptr;
  }

 private:
  CInputPump& m_pump;
  SInputBlock m_block;
  std::vector<std::unique_ptr<SGpxEventBatch>> m_batches;
  std::size_t m_next = 0;
};

// Between the two threads of a larger file: the input blocks on their way to the parsing thread
// and the event batches on their way back:
// there are kGpxInputBlocks and kGpxBatches in all, so that neither side runs further ahead of the other
// than that, and memory stays flat. The reading thread fills input blocks whenever the parse asks
// for them, between batches.
class CGpxPipe : public CGpxChannel {
 public:
  explicit CGpxPipe(std::size_t blockSize) {
    for (std::size_t i = 0; i < kGpxBatches; ++i) {
      auto& batch = *m_batches.emplace_back(std::make_unique<SGpxEventBatch>());
      batch.events.reserve(kGpxBatchEvents);
      batch.bytes.reserve(kGpxBatchBytes);
      m_freeBatches.push_back(&batch);
    }
    for (std::size_t i = 0; i < kGpxInputBlocks; ++i)
      m_freeInput.push_back(m_input.emplace_back(std::make_unique<SInputBlock>(blockSize)).get());
  }

  // For the parse: an empty batch, once one is free; null when the reader has left.
  SGpxEventBatch* EmptyBatch() override {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_cancelled || !m_freeBatches.empty(); });
    if (m_cancelled) return nullptr;
    SGpxEventBatch* batch = m_freeBatches.back();
    m_freeBatches.pop_back();
    return batch;
  }
  void PushBatch(SGpxEventBatch* batch) override {
    {
      std::lock_guard lock(m_mutex);
      m_fullBatches.push_back(batch);
    }
    m_changed.notify_all();
  }
  // For the parse: the next input block, the one before handed back (the reader is asked for
  // more when none is waiting); null when the reader has left.
  SInputBlock* NextInput(SInputBlock* done) override {
    std::unique_lock lock(m_mutex);
    if (done != nullptr) m_freeInput.push_back(done);
    if (m_fullInput.empty()) {
      m_inputWanted = true;
      m_changed.notify_all();
      m_changed.wait(lock, [this] { return m_cancelled || !m_fullInput.empty(); });
    }
    if (m_cancelled) return nullptr;
    SInputBlock* block = m_fullInput.front();
    m_fullInput.pop_front();
    return block;
  }
  void Close() override {
    {
      std::lock_guard lock(m_mutex);
      m_closed = true;
    }
    m_changed.notify_all();
  }

  // For the reader: a free input block to fill, null when none is.
  SInputBlock* FreeInput() {
    std::lock_guard lock(m_mutex);
    m_inputWanted = false;
    if (m_freeInput.empty()) return nullptr;
    SInputBlock* block = m_freeInput.back();
    m_freeInput.pop_back();
    return block;
  }
  void PushInput(SInputBlock* block) {
    {
      std::lock_guard lock(m_mutex);
      m_fullInput.push_back(block);
      m_inputEnded = block->last;
    }
    m_changed.notify_all();
  }
  // For the reader: the next batch, null after the last; `inputWanted` when the parse waits for
  // input before it can hand over a batch.
  SGpxEventBatch* PopBatch(bool& inputWanted) {
    std::unique_lock lock(m_mutex);
    const auto wanted = [this] { return m_inputWanted && !m_inputEnded; };
    m_changed.wait(lock, [&] { return m_closed || !m_fullBatches.empty() || wanted(); });
    inputWanted = m_fullBatches.empty() && !m_closed;
    if (m_fullBatches.empty()) return nullptr;
    SGpxEventBatch* batch = m_fullBatches.front();
    m_fullBatches.pop_front();
    return batch;
  }
  void Recycle(SGpxEventBatch* batch) {
    batch->events.clear();
    batch->bytes.clear();
    if (batch->bytes.capacity() > 2 * kGpxBatchBytes) {
      batch->bytes.shrink_to_fit();
      batch->bytes.reserve(kGpxBatchBytes);
    }
    {
      std::lock_guard lock(m_mutex);
      m_freeBatches.push_back(batch);
    }
    m_changed.notify_all();
  }
  // The reader leaves: the parse gets no more batches and no more input.
  void Cancel() {
    {
      std::lock_guard lock(m_mutex);
      m_cancelled = true;
    }
    m_changed.notify_all();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::unique_ptr<SGpxEventBatch>> m_batches;
  std::vector<SGpxEventBatch*> m_freeBatches;
  std::deque<SGpxEventBatch*> m_fullBatches;
  std::vector<std::unique_ptr<SInputBlock>> m_input;
  std::vector<SInputBlock*> m_freeInput;
  std::deque<SInputBlock*> m_fullInput;
  bool m_inputWanted = false;
  bool m_inputEnded = false;  // the last block is on its way
  bool m_closed = false;
  bool m_cancelled = false;
};
