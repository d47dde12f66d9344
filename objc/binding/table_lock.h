// The lock of the binding's tables, whose sections run a few dozen instructions. The interface
// thread may wait on a holder of lower priority (the asset loader's queue): a lock that tells
// the system who holds it lets the holder run at the waiter's priority until it lets go, which
// a spin lock cannot. os_unfair_lock does that where the system has it (iOS 10 and later,
// found at run time: weakly imported, its address null before); pthread_mutex_t elsewhere.
#pragma once

#include <pthread.h>

#if defined(__APPLE__) && __has_include(<os/lock.h>)
#include <os/lock.h>
extern "C" {
void os_unfair_lock_lock(os_unfair_lock_t lock) __attribute__((weak_import));
void os_unfair_lock_unlock(os_unfair_lock_t lock) __attribute__((weak_import));
}
#define NIMBREL_UNFAIR_LOCK 1
#endif

namespace nimbrel::objc {

class TableLock {
 public:
  TableLock() = default;
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;
  ~TableLock() { pthread_mutex_destroy(&mutex_); }

#if defined(NIMBREL_UNFAIR_LOCK)
  void lock() {
    if (os_unfair_lock_lock)
      os_unfair_lock_lock(&unfair_);
    else
      pthread_mutex_lock(&mutex_);
  }
  void unlock() {
    if (os_unfair_lock_unlock)
      os_unfair_lock_unlock(&unfair_);
    else
      pthread_mutex_unlock(&mutex_);
  }

 private:
  os_unfair_lock unfair_ = OS_UNFAIR_LOCK_INIT;
#else
  void lock() { pthread_mutex_lock(&mutex_); }
  void unlock() { pthread_mutex_unlock(&mutex_); }

 private:
#endif
  pthread_mutex_t mutex_ = PTHREAD_MUTEX_INITIALIZER;
};

}  // namespace nimbrel::objc
