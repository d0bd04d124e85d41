#pragma once

#include <stdexcept>

namespace snipstack {

// Why the data file could not be moved to a folder the user chose.
class StorageMoveError : public std::runtime_error {
public:
    enum class Code { folderInUse, noAccess, incomplete };

    explicit StorageMoveError(Code code) : std::runtime_error(describe(code)), code_(code) {}

    Code code() const { return code_; }

private:
    static const char* describe(Code code) {
        switch (code) {
        case Code::folderInUse:
            return "That folder already contains Snipstack data. Choose an empty folder.";
        case Code::noAccess:
            return "Snipstack could not get access to that folder.";
        case Code::incomplete:
            break;
        }
        return "The copy did not match the original, so nothing was changed.";
    }

    Code code_;
};

} // namespace snipstack
