#include "tests/support/FileFaults.h"

#include <gtest/gtest.h>

#include <string>

FileFaults::FileFaults(int failAt) : m_failAt(failAt) { platformSetFileFault(&FileFaults::onCall, this); }

FileFaults::~FileFaults() { platformSetFileFault(nullptr, nullptr); }

bool FileFaults::onCall(PlatformFileCall call, void* context) {
    auto* self = static_cast<FileFaults*>(context);
    self->m_calls.push_back(call);
    return int(self->m_calls.size()) - 1 == self->m_failAt;
}

void FileFaults::eachCallFailing(
    const std::function<void()>& prepare, const std::function<bool()>& save,
    const std::function<void(PlatformFileCall failed, bool afterRename, bool saved)>& check) {
    std::vector<PlatformFileCall> calls;
    {
        if (prepare)
            prepare();
        FileFaults counting;
        EXPECT_TRUE(save());
        calls = counting.calls();
    }
    ASSERT_FALSE(calls.empty());
    bool afterRename = false;
    for (int i = 0; i < int(calls.size()); ++i) {
        SCOPED_TRACE("call " + std::to_string(i) + " (" + callName(calls[std::size_t(i)]) + ") fails");
        if (prepare)
            prepare();
        bool saved = false;
        {
            FileFaults failing(i);
            saved = save();
        }
        check(calls[std::size_t(i)], afterRename, saved);
        afterRename = afterRename || calls[std::size_t(i)] == PlatformFileCall::Rename;
    }
}

const char* callName(PlatformFileCall call) {
    switch (call) {
    case PlatformFileCall::Open:
        return "open";
    case PlatformFileCall::Write:
        return "write";
    case PlatformFileCall::Seek:
        return "seek";
    case PlatformFileCall::Sync:
        return "sync";
    case PlatformFileCall::Close:
        return "close";
    case PlatformFileCall::Rename:
        return "rename";
    case PlatformFileCall::SyncFolder:
        return "sync folder";
    }
    return "?";
}
