#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace store {

// What went wrong in a store command, in words a user can act on: what the
// program was doing, what the database driver said, and which file it was.
struct Failure
{
    QString action;
    QString detail;
    QString databasePath;
    // The table whose row another program deleted under the command, or
    // the row the command adds under (store/Gone.h); empty for any other
    // failure. A window that meets it shows afresh what the store holds.
    QString gone;
    // The table whose row someone else changed since the window read it
    // (store/Conflict.h); empty for any other failure. The window offers to
    // show the row as it is now.
    QString changed;

    QString text() const;
    bool isGone() const { return !gone.isEmpty(); }
    bool isConflict() const { return !changed.isEmpty(); }
};

// A command's value, or the reason there is none.
template<typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_value(std::move(failure)) {}

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T &value() const & { return std::get<0>(m_value); }
    T &value() & { return std::get<0>(m_value); }
    // By value, so that `for (auto &x : f().value())` does not outlive f()'s result.
    T value() && { return std::get<0>(std::move(m_value)); }
    const Failure &failure() const { return std::get<1>(m_value); }

private:
    std::variant<T, Failure> m_value;
};

using Status = Result<std::monostate>;

inline Status success()
{
    return Status(std::monostate{});
}

} // namespace store
