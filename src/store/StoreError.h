#pragma once
// Errors raised by the record store. Every failure that reaches a caller is a
// StoreError (or a subclass) whose message names the file and the problem.
#include <stdexcept>
#include <string>

namespace brindle::store {

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file exists but is not a table or index we can read (truncated, garbled,
// foreign format). The message names the file and what is wrong with it.
class FormatError : public StoreError {
public:
    using StoreError::StoreError;
};

// The file is locked by another process or by another open in this process.
class InUseError : public StoreError {
public:
    using StoreError::StoreError;
};

// A long operation was cancelled through its progress callback.
class CancelledError : public StoreError {
public:
    using StoreError::StoreError;
};

}  // namespace brindle::store
