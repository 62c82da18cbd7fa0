#include "data/TableReader.h"

#include <sqlite3.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace Data {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::size_t kBatchSize = 4096; // REAL values handed over at a time
constexpr std::size_t kMaxBatches = 8;   // waiting at most: bounds the copies held

// Zero-terminated copies of cells, packed into large blocks that never move.
class CellArena {
public:
    char* Copy(const char* text, std::size_t length) {
        const std::size_t size = length + 1;
        char* cell = nullptr;
        if (size > kBlockSize / 4) {
            // A long cell gets a block of its own, so the current block's room is not given up.
            m_blocks.emplace_back(new char[size]);
            cell = m_blocks.back().get();
        } else {
            if (size > m_room) {
                m_blocks.emplace_back(new char[kBlockSize]);
                m_next = m_blocks.back().get();
                m_room = kBlockSize;
            }
            cell = m_next;
            m_next += size;
            m_room -= size;
        }
        std::memcpy(cell, text, length);
        cell[length] = '\0';
        return cell;
    }

    void MoveBlocksTo(std::vector<std::unique_ptr<char[]>>* blocks) {
        for (auto& block : m_blocks) {
            blocks->push_back(std::move(block));
        }
        m_blocks.clear();
        m_room = 0;
    }

private:
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_next = nullptr;
    std::size_t m_room = 0;
};

// SQLite's text form of a REAL value: what sqlite3_column_text gives for one, made by SQLite's own
// formatting, which needs no connection. ReadTable checks on every table that the two agree.
constexpr const char* kRealFormat = "%!.15g";
constexpr int kRealTextSize = 40; // "-1.23456789012345e+308" and the like

struct PendingReal {
    std::size_t cell;
    double value;
};

// Renders REAL values to text on a thread of its own while the reading thread steps the rows.
// Where no second thread can run, the values are rendered as they are handed over.
class RealRenderer {
public:
    RealRenderer() {
        if (sqlite3_threadsafe() == 0) {
            return;
        }
        try {
            m_thread = std::thread(&RealRenderer::Run, this);
        } catch (const std::system_error&) {
        }
    }
    ~RealRenderer() { Join(); }
    RealRenderer(const RealRenderer&) = delete;
    RealRenderer& operator=(const RealRenderer&) = delete;

    void Add(std::size_t cell, double value) {
        m_batch.push_back({cell, value});
        if (m_batch.size() == kBatchSize) {
            Hand();
        }
    }

    // Renders what is left and waits for the thread; false when memory ran out.
    bool Finish() {
        Hand();
        Join();
        return !m_outOfMemory;
    }

    // After Finish: the rendered texts by cell.
    const std::vector<std::pair<std::size_t, char*>>& Texts() const { return m_texts; }
    CellArena& Arena() { return m_arena; }

private:
    void Hand() {
        if (m_batch.empty()) {
            return;
        }
        if (!m_thread.joinable()) {
            Render(m_batch);
            m_batch.clear();
            return;
        }
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < kMaxBatches; });
        m_queue.push_back(std::move(m_batch));
        lock.unlock();
        m_changed.notify_all();
        m_batch = {};
        m_batch.reserve(kBatchSize);
    }

    // Lets the thread render what it was handed and end; allocates nothing, as it may run while an
    // exception unwinds.
    void Join() {
        if (!m_thread.joinable()) {
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    void Run() {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_finished; });
            if (m_queue.empty()) {
                return;
            }
            std::vector<PendingReal> batch = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            m_changed.notify_all();
            Render(batch);
            lock.lock();
        }
    }

    void Render(const std::vector<PendingReal>& batch) {
        if (m_outOfMemory) {
            return;
        }
        try {
            char text[kRealTextSize];
            for (const PendingReal& pending : batch) {
                sqlite3_snprintf(kRealTextSize, text, kRealFormat, pending.value);
                m_texts.emplace_back(pending.cell, m_arena.Copy(text, std::strlen(text)));
            }
        } catch (const std::bad_alloc&) {
            m_outOfMemory = true; // the read fails, as sqlite3_get_table's does
        }
    }

    std::vector<PendingReal> m_batch; // the reading thread's
    // The rendering side: the thread's until Finish has joined it.
    CellArena m_arena;
    std::vector<std::pair<std::size_t, char*>> m_texts;
    bool m_outOfMemory = false;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<PendingReal>> m_queue;
    bool m_finished = false;
    std::thread m_thread;
};

// The cells of one result as they are read, row by row.
class CellCollector {
public:
    // Appends the names of the result's columns; false when memory ran out.
    bool AppendNames(sqlite3_stmt* statement, int columns) {
        for (int column = 0; column < columns; ++column) {
            const char* name = sqlite3_column_name(statement, column);
            if (name == nullptr) {
                return false;
            }
            m_cells.push_back(m_arena.Copy(name, std::strlen(name)));
        }
        return true;
    }

    // Appends one row's cells, a REAL one as a place for the renderer to fill; false when memory ran
    // out.
    bool AppendRow(sqlite3_stmt* statement, int columns) {
        for (int column = 0; column < columns; ++column) {
            const int type = sqlite3_column_type(statement, column);
            if (type == SQLITE_FLOAT && RendererAgrees(statement, column)) {
                m_reals.Add(m_cells.size(), sqlite3_column_double(statement, column));
                m_cells.push_back(nullptr);
                continue;
            }
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            if (text == nullptr) {
                if (type != SQLITE_NULL) {
                    return false;
                }
                m_cells.push_back(nullptr);
                continue;
            }
            // Up to the first zero byte, as sqlite3_get_table copies a BLOB's text.
            const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
            m_cells.push_back(m_arena.Copy(text, strnlen(text, bytes)));
        }
        return true;
    }

    // The table read; false when memory ran out while the REAL values were rendered.
    bool Take(int rows, int columns, ResultTable* result) {
        if (!m_reals.Finish()) {
            return false;
        }
        for (const auto& [cell, text] : m_reals.Texts()) {
            m_cells[cell] = text;
        }
        std::vector<std::unique_ptr<char[]>> blocks;
        m_arena.MoveBlocksTo(&blocks);
        m_reals.Arena().MoveBlocksTo(&blocks);
        *result = ResultTable(std::move(m_cells), std::move(blocks), rows, columns);
        return true;
    }

private:
    // Whether the renderer's text of a REAL value is SQLite's, checked on the first one: should a
    // SQLite version render differently, every REAL cell is read as text here instead.
    bool RendererAgrees(sqlite3_stmt* statement, int column) {
        if (m_agreement == Agreement::Unchecked) {
            char rendered[kRealTextSize];
            sqlite3_snprintf(kRealTextSize, rendered, kRealFormat, sqlite3_column_double(statement, column));
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            m_agreement =
                text != nullptr && std::strcmp(text, rendered) == 0 ? Agreement::Agrees : Agreement::Differs;
        }
        return m_agreement == Agreement::Agrees;
    }

    enum class Agreement { Unchecked, Agrees, Differs };

    std::vector<char*> m_cells;
    CellArena m_arena;
    RealRenderer m_reals;
    Agreement m_agreement = Agreement::Unchecked;
};

} // namespace

bool TableReader::Read(const char* sql, ResultTable* result) {
    *result = ResultTable();
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &prepared, nullptr) != SQLITE_OK) {
        sqlite3_finalize(prepared);
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(prepared, &sqlite3_finalize);
    const int columns = sqlite3_column_count(prepared);
    try {
        CellCollector collector;
        int rows = 0;
        int rc = SQLITE_OK;
        bool complete = true;
        while (complete && (rc = sqlite3_step(prepared)) == SQLITE_ROW) {
            complete = (rows > 0 || collector.AppendNames(prepared, columns)) &&
                       collector.AppendRow(prepared, columns);
            ++rows;
        }
        return complete && rc == SQLITE_DONE && collector.Take(rows, rows > 0 ? columns : 0, result);
    } catch (const std::bad_alloc&) {
        // Out of memory for the table: it is not read, as sqlite3_get_table's SQLITE_NOMEM.
        *result = ResultTable();
        return false;
    }
}

} // namespace Data
