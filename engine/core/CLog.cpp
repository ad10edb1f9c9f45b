#include "engine/core/CLog.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/Utf8.h"
#include "engine/platform/PlatformSystem.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

// The logger instance and whether a disposal registered with atexit is still
// to run. Read without the singleton lock only through the atomic pointer.
struct LogInstance {
    std::atomic<CLog*> logger{nullptr};
    bool atExitPending = false;
};

LogInstance& logInstance() {
    static LogInstance instance;
    return instance;
}

// The disposal run at process exit. Once it has run, a logger created later
// (by a static destructor or exit handler that logs) registers a disposal of
// its own, which the C library runs too since it is registered during exit.
void disposeAtExit() {
    {
        std::lock_guard<CMutex> guard(getSingletonLock());
        logInstance().atExitPending = false;
    }
    CLog::disposeInstance();
}

const char16_t* levelPrefix(int level) {
    static const char16_t* const prefixes[] = {u"DBG: ", u"INF: ", u"WRN: ", u"ERR: ", u"USR: "};
    // Callers pass 0 to 4; anything else is shown with the nearest level.
    if (level < CLog::Debug)
        level = CLog::Debug;
    if (level > CLog::User)
        level = CLog::User;
    return prefixes[level];
}

void writeUtf16(std::FILE* file, const char16_t* text, std::size_t length) {
    std::string bytes;
    bytes.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        bytes += char(text[i] & 0xFF);
        bytes += char(text[i] >> 8);
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
}

} // namespace

CLog::CLog() { logInstance().logger.store(this, std::memory_order_release); }

CLog::~CLog() {
    closeLogFile();
    CLog* self = this;
    logInstance().logger.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

CLog* CLog::instance() {
    LogInstance& bookkeeping = logInstance();
    if (CLog* logger = bookkeeping.logger.load(std::memory_order_acquire))
        return logger;
    std::lock_guard<CMutex> guard(getSingletonLock());
    if (CLog* logger = bookkeeping.logger.load(std::memory_order_acquire))
        return logger;
    CLog* logger = new CLog; // registers itself
    if (!bookkeeping.atExitPending && std::atexit(&disposeAtExit) == 0)
        bookkeeping.atExitPending = true;
    return logger;
}

void CLog::disposeInstance() {
    std::lock_guard<CMutex> guard(getSingletonLock());
    if (CLog* logger = logInstance().logger.exchange(nullptr, std::memory_order_acq_rel))
        logger->release();
}

void CLog::log(const CStringW& text, int level) { writeLine(text.c_str(), text.length(), level); }

void CLog::log(const char16_t* text, int level) {
    if (!text)
        text = u"";
    writeLine(text, std::char_traits<char16_t>::length(text), level);
}

void CLog::log(const CString& text, int level) {
    if (level < threshold())
        return;
    log(CStringW(text), level);
}

void CLog::log(const char* text, int level) {
    if (level < threshold())
        return;
    log(CStringW(text), level);
}

void CLog::writeLine(const char16_t* text, std::size_t length, int level) {
    if (level < threshold())
        return;

    std::u16string line(levelPrefix(level));
    line.append(text, length);
    line += u'\r';

    // One write per line, so lines of two threads do not interleave inside a
    // line; the text goes out as it is ('%' included), in UTF-8.
    std::string console = utf16ToUtf8(line);
    console += '\n';
    std::fwrite(console.data(), 1, console.size(), stdout);
    std::fflush(stdout);

    std::lock_guard<CMutex> guard(m_lock);
    if (m_file) {
        writeUtf16(m_file, line.data(), line.size());
        std::fflush(m_file);
    }
    if (m_sink) {
        const CStringW withoutEnding(line.data(), int(line.size() - 1));
        m_sink(level, withoutEnding);
    }
}

bool CLog::openLogFile(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    std::FILE* file = platformOpenFile(std::string(utf8.begin(), utf8.end()), "ab");
    if (!file) {
        log("Can't open log file: " + CString(path.string().c_str()), Error);
        return false;
    }
    // Where a fresh append stream starts is up to the C library: ask the end.
    std::fseek(file, 0, SEEK_END);
    if (std::ftell(file) == 0) {
        const char16_t byteOrderMark = 0xFEFF;
        writeUtf16(file, &byteOrderMark, 1);
        std::fflush(file);
    }
    std::lock_guard<CMutex> guard(m_lock);
    if (m_file)
        std::fclose(m_file);
    m_file = file;
    return true;
}

void CLog::closeLogFile() {
    std::lock_guard<CMutex> guard(m_lock);
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

CLog::Sink CLog::setSink(Sink sink) {
    std::lock_guard<CMutex> guard(m_lock);
    Sink previous = std::move(m_sink);
    m_sink = std::move(sink);
    return previous;
}
