#include "session/content_hash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>

namespace orrisbay::session {

ContentHash HashBytes(std::span<const std::uint8_t> bytes) {
    return XXH3_64bits(bytes.data(), bytes.size());
}

std::optional<ContentHash> HashFile(const std::filesystem::path& path) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return std::nullopt;
    }
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    const std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[kBlock]);
    XXH3_state_t* state = XXH3_createState();
    XXH3_64bits_reset(state);
    bool failed = false;
    for (;;) {
        const ssize_t got = ::read(file, block.get(), kBlock);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            failed = got < 0;
            break;
        }
        XXH3_64bits_update(state, block.get(), static_cast<std::size_t>(got));
    }
    ::close(file);
    const ContentHash hash = XXH3_64bits_digest(state);
    XXH3_freeState(state);
    return failed ? std::nullopt : std::optional(hash);
}

namespace {

std::optional<ContentHash> FingerprintOf(const std::filesystem::path& path, bool settled) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    constexpr std::int64_t kSettledSeconds = 2;
    const std::int64_t now = static_cast<std::int64_t>(::time(nullptr));
    if (settled && (now - status.st_mtim.tv_sec < kSettledSeconds ||
                    now - status.st_ctim.tv_sec < kSettledSeconds)) {
        return std::nullopt;
    }
    HashBuilder hash;
    for (const auto value :
         {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
          static_cast<std::uint64_t>(status.st_size),
          static_cast<std::uint64_t>(status.st_mtim.tv_sec),
          static_cast<std::uint64_t>(status.st_mtim.tv_nsec),
          static_cast<std::uint64_t>(status.st_ctim.tv_sec),
          static_cast<std::uint64_t>(status.st_ctim.tv_nsec)}) {
        hash.Add(value);
    }
    return hash.Value();
}

}  // namespace

std::optional<ContentHash> FileFingerprint(const std::filesystem::path& path) {
    return FingerprintOf(path, false);
}

std::optional<ContentHash> SettledFingerprint(const std::filesystem::path& path) {
    return FingerprintOf(path, true);
}

HashBuilder::HashBuilder() : state_(XXH3_createState()) {
    XXH3_64bits_reset(state_);
}

HashBuilder::~HashBuilder() {
    XXH3_freeState(state_);
}

HashBuilder& HashBuilder::Add(std::string_view text) {
    Add(static_cast<std::uint64_t>(text.size()));
    XXH3_64bits_update(state_, text.data(), text.size());
    return *this;
}

HashBuilder& HashBuilder::Add(std::uint64_t value) {
    XXH3_64bits_update(state_, &value, sizeof value);
    return *this;
}

ContentHash HashBuilder::Value() const {
    return XXH3_64bits_digest(state_);
}

}  // namespace orrisbay::session
