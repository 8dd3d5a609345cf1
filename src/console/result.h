#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// The one shape of every fallible operation below the two programs: a value,
// or the problem that stopped it, with any warnings met on the way beside
// either. It lives in the bottom module so that every layer returns the same
// thing; the window turns a problem into its message, the commands into
// their exit status by kind.
namespace orrisbay {

// What stopped an operation, by what the user can do about it.
enum class ProblemKind {
    Missing,           // the file (or the folder it should be in) does not exist
    Unreadable,        // it exists but cannot be read: permissions, a folder, a read error
    UnsupportedType,   // a file type or format the program does not read or write
    Damaged,           // its contents contradict themselves or end early
    TooLarge,          // beyond the program's size limits
    OutOfMemory,       // the system has too little memory for it
    CannotWrite,       // the output could not be written or moved into place
    BreaksGameRule,    // a name, size or lump that the game does not accept
    NotOnGrid,         // a texture's sides are not multiples of 16
    NotFound,          // no texture or lump of that name
    NoPalette,         // the game's palette is needed and there is none
    Cancelled,         // the user chose to keep what was there
    NothingToWrite,    // there is no texture to write or convert
    Failed,            // a merge or rescale made nothing
    ConversionFailed,  // a picture could not be converted to a palette
    WrongUsage,        // a request that cannot be carried out as asked
};

struct Problem {
    ProblemKind kind = ProblemKind::Failed;
    std::string message;  // for people; names the file where there is one
    std::string path;     // the file concerned; empty when none is
};

// A value of type T, or the problem why there is none; warnings either way.
template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    Result(Problem problem) : problem_(std::move(problem)) {}

    explicit operator bool() const { return value_.has_value(); }

    // The value; only when there is one.
    T& value() & { return *value_; }
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

    // The problem; only when there is no value.
    const Problem& problem() const { return *problem_; }

    const std::vector<std::string>& warnings() const { return warnings_; }
    std::vector<std::string> TakeWarnings() { return std::move(warnings_); }
    // Adds a warning (an empty text adds nothing); returns the result for chaining.
    Result& Warn(std::string warning) {
        if (!warning.empty()) {
            warnings_.push_back(std::move(warning));
        }
        return *this;
    }
    // Puts `earlier` before the warnings already here.
    Result& WarnFirst(const std::vector<std::string>& earlier) {
        warnings_.insert(warnings_.begin(), earlier.begin(), earlier.end());
        return *this;
    }

  private:
    std::optional<T> value_;
    std::optional<Problem> problem_;
    std::vector<std::string> warnings_;
};

// An operation that gives nothing back but may fail.
template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Problem problem) : problem_(std::move(problem)) {}

    explicit operator bool() const { return !problem_.has_value(); }

    const Problem& problem() const { return *problem_; }

    const std::vector<std::string>& warnings() const { return warnings_; }
    std::vector<std::string> TakeWarnings() { return std::move(warnings_); }
    Result& Warn(std::string warning) {
        if (!warning.empty()) {
            warnings_.push_back(std::move(warning));
        }
        return *this;
    }
    Result& WarnFirst(const std::vector<std::string>& earlier) {
        warnings_.insert(warnings_.begin(), earlier.begin(), earlier.end());
        return *this;
    }

  private:
    std::optional<Problem> problem_;
    std::vector<std::string> warnings_;
};

// A problem of `kind` with its message and, where there is one, its file.
inline Problem Fail(ProblemKind kind, std::string message, std::string path = {}) {
    return Problem{kind, std::move(message), std::move(path)};
}

// The reason in a problem's message: what follows "PATH: " when the message
// begins with its file, else the whole message.
inline std::string ReasonOf(const Problem& problem) {
    const std::string prefix = problem.path + ": ";
    return !problem.path.empty() && problem.message.starts_with(prefix)
               ? problem.message.substr(prefix.size())
               : problem.message;
}

// The problem of a failed result, carried over to a result of another type
// with the warnings met so far.
template <typename To, typename From>
Result<To> Forward(Result<From>&& failed) {
    std::vector<std::string> warnings = failed.TakeWarnings();
    Result<To> result(failed.problem());
    result.WarnFirst(warnings);
    return result;
}

}  // namespace orrisbay
