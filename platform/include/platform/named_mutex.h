#pragma once
// Named mutexes that order work across threads (and, where the OS has them, processes).
// A thread that owns one may lock it again; it is released when unlocked as often.
#include <memory>
#include <string>

namespace platform {

class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
  virtual void lock() = 0;
  virtual void unlock() = 0;
};

// Opens the mutex of that name, creating it when it does not exist yet. Never null: when the OS
// refuses a named mutex, the failure is logged and a mutex private to this process is returned.
std::unique_ptr<NamedMutex> OpenNamedMutex(const std::wstring& name);

}  // namespace platform
