#include "engine/platform/CPlatformProcess.h"

#include "engine/platform/PlatformSystem.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string variableName(const std::string& entry) { return entry.substr(0, entry.find('=')); }

void decode(int waitStatus, PlatformExitStatus* status) {
    if (!status)
        return;
    *status = {};
    if (WIFEXITED(waitStatus)) {
        status->exited = true;
        status->code = WEXITSTATUS(waitStatus);
    } else if (WIFSIGNALED(waitStatus)) {
        status->signal = WTERMSIG(waitStatus);
    }
}

} // namespace

struct CPlatformProcess::State {
    pid_t pid = -1; // the running child, or -1
};

CPlatformProcess::CPlatformProcess() : m_state(std::make_unique<State>()) {}

CPlatformProcess::~CPlatformProcess() {
    if (m_state->pid > 0 && kill()) {
        int waitStatus = 0;
        while (::waitpid(m_state->pid, &waitStatus, 0) < 0 && errno == EINTR) {
        }
    }
}

bool CPlatformProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                             const Options& options) {
    if (m_state->pid > 0)
        return false;

    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string text = *entry;
        bool replaced = false;
        for (const std::string& added : options.environment)
            replaced = replaced || variableName(added) == variableName(text);
        if (!replaced)
            environment.push_back(text);
    }
    environment.insert(environment.end(), options.environment.begin(), options.environment.end());

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (::posix_spawn_file_actions_init(&actions) != 0)
        return false;
    bool ok = true;
    if (!options.workingFolder.empty())
        ok = ::posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str()) == 0;
    if (ok && !options.outputFile.empty()) {
        ok = ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.outputFile.c_str(),
                                                O_WRONLY | O_CREAT | O_TRUNC, 0644) == 0 &&
             ::posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO) == 0;
    }
    pid_t pid = -1;
    if (ok)
        ok = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0;
    ::posix_spawn_file_actions_destroy(&actions);
    if (!ok)
        return false;
    m_state->pid = pid;
    return true;
}

bool CPlatformProcess::waitForExit(uint32_t timeoutMilliseconds, PlatformExitStatus* status) {
    if (m_state->pid <= 0)
        return false;
    for (uint32_t waited = 0;; waited += 5) {
        int waitStatus = 0;
        pid_t done = ::waitpid(m_state->pid, &waitStatus, WNOHANG);
        if (done == m_state->pid) {
            m_state->pid = -1;
            decode(waitStatus, status);
            return true;
        }
        if (done < 0 && errno != EINTR) {
            m_state->pid = -1;
            return false;
        }
        if (waited >= timeoutMilliseconds)
            return false;
        platformSleepMilliseconds(5);
    }
}

bool CPlatformProcess::isRunning() const { return m_state->pid > 0; }

bool CPlatformProcess::requestClose() { return m_state->pid > 0 && ::kill(m_state->pid, SIGTERM) == 0; }

bool CPlatformProcess::kill() { return m_state->pid > 0 && ::kill(m_state->pid, SIGKILL) == 0; }
