#pragma once
// Runs a test's code as on a machine short of memory: the process may map
// only a little more than it has mapped already. Meant for the child of a
// "threadsafe" death test, which starts afresh, so no worker thread or
// earlier test holds memory there.
#include <cstdint>
#include <fstream>
#include <string>
#include <sys/resource.h>

// The sanitizers reserve terabytes of shadow memory: their builds cannot run
// under an address-space limit.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kAddressSpaceCanBeLimited = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kAddressSpaceCanBeLimited = false;
#else
inline constexpr bool kAddressSpaceCanBeLimited = true;
#endif
#else
inline constexpr bool kAddressSpaceCanBeLimited = true;
#endif

// Lets the process map at most `extraBytes` beyond what it maps now.
inline void LimitAddressSpace(std::uint64_t extraBytes)
{
    std::ifstream status("/proc/self/status");
    std::uint64_t mapped = 0;
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) mapped = std::stoull(line.substr(7)) * 1024;
    rlimit limit{mapped + extraBytes, mapped + extraBytes};
    ::setrlimit(RLIMIT_AS, &limit);
}
