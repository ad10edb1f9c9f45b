#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Queries about the machine and the running program, in plain types.

// "<distribution> (Linux <kernel release> <machine>)", or without the
// distribution part when /etc/os-release names none; empty when the kernel
// cannot be queried.
[[nodiscard]] std::string platformOsDescription();

// The distribution's display name from the text of an os-release file:
// PRETTY_NAME, else NAME and VERSION; empty when it names none.
[[nodiscard]] std::string platformParseOsRelease(std::string_view text);

// The processor's rated speed in MHz, rounded: the first processor's base
// frequency from cpufreq, else its highest frequency from cpufreq, else the
// first "cpu MHz" of /proc/cpuinfo (the current clock, which varies with load,
// for systems without cpufreq). False when none can be read; `mhz` (may be
// null) is written only on success.
[[nodiscard]] bool platformCpuMhz(uint32_t* mhz);

// A cpufreq file's frequency in kHz (a whole number, blanks around it) as
// whole MHz, rounded. False when it is not a number from 500 kHz up to one
// billion kHz.
[[nodiscard]] bool platformParseFrequencyKhz(std::string_view text, uint32_t* mhz);

// The first "cpu MHz" entry of /proc/cpuinfo text, rounded to whole MHz.
// False when there is none or it is not a positive number below one million.
[[nodiscard]] bool platformParseCpuMhz(std::string_view cpuinfo, uint32_t* mhz);

// Total and available physical memory in kilobytes; each pointer may be
// null. Available memory is the kernel's estimate of what can be taken
// without swapping (MemAvailable), else the free memory.
[[nodiscard]] bool platformMemoryStatus(uint64_t* totalKb, uint64_t* availableKb);

// Full path of the running executable; empty when it cannot be found. It
// names the file the program was started from even after that file was
// removed or replaced (the system then marks the path " (deleted)", which is
// dropped here).
[[nodiscard]] std::string platformExecutablePath();

// std::fopen for a UTF-8 path: on Windows the path is widened first, so any
// name opens, not only those of the system's 8-bit code page.
[[nodiscard]] std::FILE* platformOpenFile(const std::string& path, const char* mode);

// Reads up to `count` bytes at `offset` of a file opened for reading only:
// on Linux one positioned read, which leaves the stream's position and
// buffer alone; on Windows a seek and a read. Answers the bytes read, 0 on
// failure.
[[nodiscard]] std::size_t platformReadFileAt(std::FILE* stream, int64_t offset, void* buffer, std::size_t count);

// Suspends the calling thread for at least `milliseconds`, resuming the wait
// when a signal interrupts it.
void platformSleepMilliseconds(uint32_t milliseconds);
