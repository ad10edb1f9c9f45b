#include "tests/support/LogCapture.h"

#include "engine/core/CStringW.h"

namespace {

std::string toUtf8(const CStringW& line) {
    std::string out;
    out.reserve(line.length());
    for (char16_t unit : line) {
        const unsigned c = unit;
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

LogCapture::LogCapture(bool includeDebug) : m_previousThreshold(CLog::instance()->threshold()) {
    if (includeDebug)
        CLog::instance()->setThreshold(CLog::Debug);
    CLog::Sink previous = CLog::instance()->setSink([this](int level, const CStringW& line) {
        CLog::Sink chained;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_lines.push_back(toUtf8(line));
            chained = m_previous;
        }
        if (chained)
            chained(level, line);
    });
    std::lock_guard<std::mutex> guard(m_mutex);
    m_previous = std::move(previous);
}

LogCapture::~LogCapture() {
    CLog::Sink previous;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        previous = std::move(m_previous);
    }
    CLog::instance()->setSink(std::move(previous));
    CLog::instance()->setThreshold(m_previousThreshold);
}

bool LogCapture::contains(std::string_view text) const { return count(text) > 0; }

std::size_t LogCapture::count(std::string_view text) const {
    std::lock_guard<std::mutex> guard(m_mutex);
    std::size_t found = 0;
    for (const std::string& line : m_lines)
        if (line.find(text) != std::string::npos)
            ++found;
    return found;
}

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lines;
}

void LogCapture::clear() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_lines.clear();
}
