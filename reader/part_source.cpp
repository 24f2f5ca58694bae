#include "reader/part_source.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "platform/large_memory.h"
#include "reader/file_memory.h"

namespace Reader {
namespace {

// The name of the element whose tag opens at `open`, as RapidXML reads it.
std::string_view ElementName(const char* open) {
    const char* const name = open + 1;
    const char* end = name;
    while (rapidxml::internal::lookup_tables<0>::lookup_node_name[static_cast<unsigned char>(*end)]) ++end;
    return {name, static_cast<std::size_t>(end - name)};
}

XmlNode* ParseInPlace(XmlDocument& document, char* text) {
    FileMemory([&] { document.parse<kParseFlags>(text); });
    XmlNode* node = document.first_node();
    if (!node) throw rapidxml::parse_error("expected a node", text);
    return node;
}

// A part's end byte, which belongs to what surrounds the part, is its terminator while
// RapidXML reads it.
XmlNode* ParseTerminated(XmlDocument& document, char* begin, std::size_t size) {
    char* const end = begin + size;
    const struct Restore {
        char* at;
        char byte;
        ~Restore() { *at = byte; }
    } restore{end, *end};
    *end = '\0';
    return ParseInPlace(document, begin);
}

}  // namespace

CPartParser::CPartParser() { m_document.set_allocator(&Platform::AllocateLarge, &Platform::FreeLarge); }

XmlNode* CPartParser::Parse(char* begin, std::size_t size) {
    // The tree of the last part is no longer walked: its node memory serves again, and
    // stays in the cache.
    m_document.clear();
    return ParseTerminated(m_document, begin, size);
}

CPartCursor::Step CPartCursor::Next(char*& begin, std::size_t& size) {
    if (m_run == m_runs.size()) return Step::End;
    const PartRun& run = m_runs[m_run];
    while (m_part < run.parts->size()) {
        const TextSpan& part = (*run.parts)[m_part++];
        char* const text = m_text.Bring(part.begin, part.end);
        if (!run.wanted(ElementName(text))) continue;
        begin = text;
        size = part.end - part.begin;
        return Step::Part;
    }
    ++m_run;
    m_part = 0;
    return Step::EndOfRun;
}

std::size_t CPartCursor::TextSize() const {
    std::size_t size = 0;
    for (const PartRun& run : m_runs)
        if (!run.parts->empty()) size += run.parts->back().end - run.parts->front().begin;
    return size;
}

// Parsing ahead: the runs' parts in batches of about kBatchText bytes, numbered in order.
// A batch is filled by the second thread, or by the walk's own when the batch it is to
// read next is still being filled: the file's bytes of its parts read into a buffer of
// its own, the wanted parts parsed there in place into its own document, and a null tree
// at the end of a run. The walk reads the batches in their order, whoever filled them. A
// batch whose filling stopped ends with what stopped it, and no batch after it is read.
class CPartSource::CAhead {
public:
    CAhead(CTextWindow& text, const std::vector<PartRun>& runs) : m_text(text), m_runs(runs), m_allClaimed(runs.empty()) {
        // The batches read the parts themselves: the window's memory, as large as the
        // longest part, would only add to theirs.
        text.FreeWindow();
        m_thread = std::thread([this] { Run(); });
    }

    ~CAhead() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    XmlNode* Next() {
        for (;;) {
            Slot& slot = m_slots[m_read % kSlots];
            if (m_reading) {
                if (slot.next < slot.treeCount) return slot.trees[slot.next++];
                if (slot.failure) std::rethrow_exception(slot.failure);
                if (slot.last) return nullptr;  // asked past the last run
                {
                    const std::lock_guard<std::mutex> lock(m_mutex);
                    slot.state = State::Free;
                    ++m_read;
                }
                m_reading = false;
                m_changed.notify_all();
                continue;
            }
            std::unique_lock<std::mutex> lock(m_mutex);
            if (slot.state == State::Filled) {
                m_reading = true;
            } else if (CanClaim()) {
                // Rather than wait, fill the first batch nobody has taken yet.
                FillClaimed(lock);
            } else if (slot.state == State::Claimed) {
                m_changed.wait(lock, [&] { return slot.state == State::Filled; });
                m_reading = true;
            } else {
                return nullptr;  // asked past the last run
            }
        }
    }

private:
    // A batch's trees take some three and a half times its text: batches of 256 KiB
    // fit their trees in one block of node memory, and took the 100 MB job's import less
    // time than batches of 32 KiB to 1 MiB, handed over or kept in the cache.
#ifdef JXL_PARSE_AHEAD_BATCH
    static constexpr std::size_t kBatchText = JXL_PARSE_AHEAD_BATCH;
#else
    static constexpr std::size_t kBatchText = std::size_t{256} << 10;
#endif
    static constexpr std::size_t kSlots = 4;

    enum class State { Free, Claimed, Filled };

    // The parts of a batch: [first, last) of a run's.
    struct Claim {
        std::size_t number;
        std::size_t run, first, last;
        bool endsRun, endsAll;
    };

    // Room for `count` Ts, at least `least` when it must grow, from the system as the
    // file's other large blocks: a slot's text and trees grow to the largest batch it held.
    template <typename T>
    class Room {
    public:
        T* Get(std::size_t count, std::size_t least) {
            if (count > m_count) {
                m_memory.reset();
                m_count = 0;
                const std::size_t grown = std::max(count, least);
                m_memory = FileMemory([&] { return Platform::AllocateLargeBuffer(grown * sizeof(T)); });
                m_count = grown;
            }
            return reinterpret_cast<T*>(m_memory.get());
        }

    private:
        Platform::CLargeBuffer m_memory;
        std::size_t m_count = 0;
    };

    // A batch's memory, kept from batch to batch: its text, its trees, and a block of node
    // memory for its document beyond the document's own, where a fresh block from the
    // system would cost a page fault for every 4 KiB of tree.
    struct Slot {
        Slot() { document.set_allocator(&Slot::AllocateNodes, &Slot::FreeNodes); }
        ~Slot() {
            document.clear();
            Platform::FreeLarge(block);
        }
        State state = State::Free;
        Room<char> text;
        XmlDocument document;
        Room<XmlNode*> treeRoom;
        XmlNode** trees = nullptr;
        std::size_t treeCount = 0;
        std::size_t next = 0;  // the walk's place
        std::exception_ptr failure;
        bool last = false;
        struct alignas(64) BlockHeader {
            Slot* owner;  // null: a block for one larger request
            std::size_t size;
            bool taken;
        };
        BlockHeader* block = nullptr;

        static void* AllocateNodes(std::size_t size);
        static void FreeNodes(void* memory) noexcept;
    };
    // The slot whose batch this thread is filling.
    static thread_local Slot* t_filling;

    bool CanClaim() const {
        return !m_allClaimed && !m_stopped && m_claimed < m_read + kSlots;
    }

    // Under the lock: the next batch's parts, marked claimed in its slot.
    Claim ClaimNext() {
        Claim claim{m_claimed++, m_run, m_part, m_part, false, false};
        const std::vector<TextSpan>& parts = *m_runs[m_run].parts;
        while (claim.last < parts.size() &&
               (claim.last == claim.first || parts[claim.last].end - parts[claim.first].begin <= kBatchText))
            ++claim.last;
        m_part = claim.last;
        if (m_part == parts.size()) {
            claim.endsRun = true;
            ++m_run;
            m_part = 0;
        }
        claim.endsAll = m_allClaimed = m_run == m_runs.size();
        m_slots[claim.number % kSlots].state = State::Claimed;
        return claim;
    }

    // Claims the next batch and fills it, the lock let go meanwhile.
    void FillClaimed(std::unique_lock<std::mutex>& lock) {
        const Claim claim = ClaimNext();
        Slot& slot = m_slots[claim.number % kSlots];
        lock.unlock();
        Fill(slot, claim);
        lock.lock();
        slot.state = State::Filled;
        if (slot.failure) m_stopped = true;
        m_changed.notify_all();
    }

    void Run() noexcept {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [&] { return m_stop || m_allClaimed || m_stopped || CanClaim(); });
            if (!CanClaim() || m_stop) return;
            FillClaimed(lock);
        }
    }

    void Fill(Slot& slot, const Claim& claim) noexcept {
        t_filling = &slot;
        slot.document.clear();
        slot.treeCount = 0;
        slot.next = 0;
        slot.failure = nullptr;
        slot.last = claim.endsAll;
        try {
            const PartRun& run = m_runs[claim.run];
            const std::vector<TextSpan>& parts = *run.parts;
            slot.trees = slot.treeRoom.Get(claim.last - claim.first + 1, kBatchText / 64);
            if (claim.first < claim.last) {
                const std::size_t begin = parts[claim.first].begin, end = parts[claim.last - 1].end;
                char* const text = m_text.ReadInto(
                    begin, end, slot.text.Get(CTextWindow::RoomFor(begin, end), CTextWindow::RoomFor(0, kBatchText)));
                for (std::size_t i = claim.first; i < claim.last; ++i) {
                    if (m_stop.load(std::memory_order_relaxed)) break;
                    char* const part = text + (parts[i].begin - begin);
                    if (run.wanted(ElementName(part)))
                        slot.trees[slot.treeCount++] = ParseTerminated(slot.document, part, parts[i].end - parts[i].begin);
                }
            }
            if (claim.endsRun) slot.trees[slot.treeCount++] = nullptr;
        } catch (...) {
            slot.failure = std::current_exception();
            slot.last = true;
        }
        t_filling = nullptr;
    }

    CTextWindow& m_text;
    const std::vector<PartRun>& m_runs;

    Slot m_slots[kSlots];
    std::size_t m_read = 0;  // the batch the walk reads or waits for
    bool m_reading = false;  // the walk reads m_read's slot
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Under m_mutex.
    std::size_t m_claimed = 0;          // batches claimed so far
    std::size_t m_run = 0, m_part = 0;  // where the next batch begins
    bool m_allClaimed;
    bool m_stopped = false;  // a batch's filling stopped: nothing after it is read
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

thread_local CPartSource::CAhead::Slot* CPartSource::CAhead::t_filling = nullptr;

void* CPartSource::CAhead::Slot::AllocateNodes(std::size_t size) {
    if (size > SIZE_MAX / 2) throw std::bad_alloc();
    Slot* const slot = t_filling;
    if (slot && slot->block && !slot->block->taken && slot->block->size >= size) {
        slot->block->taken = true;
        return slot->block + 1;
    }
    auto* const block = static_cast<BlockHeader*>(Platform::AllocateLarge(sizeof(BlockHeader) + size));
    *block = BlockHeader{nullptr, size, true};
    if (slot && !slot->block) {
        block->owner = slot;
        slot->block = block;
    }
    return block + 1;
}

void CPartSource::CAhead::Slot::FreeNodes(void* memory) noexcept {
    if (!memory) return;
    BlockHeader* const block = static_cast<BlockHeader*>(memory) - 1;
    if (block->owner)
        block->taken = false;
    else
        Platform::FreeLarge(block);
}

CPartSource::CPartSource(CTextWindow& text, std::vector<PartRun> runs) : m_cursor(text, std::move(runs)) {
    if (m_cursor.TextSize() < kAheadFrom) return;
    try {
        m_ahead = std::make_unique<CAhead>(m_cursor.Text(), m_cursor.Runs());
    } catch (const std::system_error&) {
        // No thread to be had, or no memory for what runs it: the walk parses the parts
        // itself.
    } catch (const std::bad_alloc&) {
    }
}

CPartSource::~CPartSource() = default;

XmlNode* CPartSource::Next() {
    if (m_ahead) return m_ahead->Next();
    char* begin = nullptr;
    std::size_t size = 0;
    return m_cursor.Next(begin, size) == CPartCursor::Step::Part ? m_parser.Parse(begin, size) : nullptr;
}

}  // namespace Reader
