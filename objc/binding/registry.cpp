#include "objc/binding/registry.h"

#include <objc/runtime.h>

#include <cstddef>
#include <new>
#include <unordered_map>
#include <vector>

#include "objc/binding/bound.h"
#include "objc/binding/objects.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"

namespace nimbrel::objc {

namespace {

// Control blocks of holding sessions come from a free list, so that wrapping an object the
// table already knows allocates nothing: replaced methods wrap their receivers at every call.
template <class T>
struct RecyclingAllocator {
  using value_type = T;
  RecyclingAllocator() = default;
  template <class U>
  RecyclingAllocator(const RecyclingAllocator<U>&) {}

  T* allocate(std::size_t n) {
    if (n != 1 || freeList().empty()) return static_cast<T*>(::operator new(n * sizeof(T)));
    void* block = freeList().back();
    freeList().pop_back();
    return static_cast<T*>(block);
  }
  void deallocate(T* block, std::size_t n) {
    if (n != 1) return ::operator delete(block);
    freeList().push_back(block);
  }
  friend bool operator==(const RecyclingAllocator&, const RecyclingAllocator&) { return true; }

 private:
  // Never shrinks: it holds at most as many blocks as were ever held at once.
  static std::vector<void*>& freeList() {
    static auto* blocks = new std::vector<void*>();
    return *blocks;
  }
};

// Ends a holding session: the binding's one retain goes, if it was taken.
struct SessionEnd {
  id object;
  bool retained;
  void operator()(host::Object*) const {
    if (retained) release(object);
  }
};

// A host object stays in the table between holding sessions, so that a receiver wrapped at
// every call is made once. Between sessions the Objective-C object is not retained and may
// go; a new object at its address is recognised by its class, and a host object of the
// binding holds nothing but the object's address, so reusing it for a newcomer of the same
// class is the same as making a new one.
struct Entry {
  Class cls;
  std::unique_ptr<host::Object> host;
  std::weak_ptr<host::Object> session;
};

// Entries without a session are dropped when the table grows past this.
constexpr std::size_t kSweepThreshold = 256;

struct Tables {
  std::size_t made = 0;
  std::unordered_map<id, Entry> objects;
  std::unordered_map<Class, std::unique_ptr<host::Class>> classes;
  // Sessions borrowed by the calls in progress, innermost last; never shrinks its capacity, so
  // that a call in steady state allocates nothing here.
  std::vector<std::shared_ptr<host::Object>> borrowed;
  int callDepth = 0;
};

// Never destroyed: the add-on's own statics may let go of objects after ours would be gone.
Tables& tables() {
  static auto* t = new Tables();
  return *t;
}

void sweepDormant() {
  auto& objects = tables().objects;
  std::erase_if(objects, [](const auto& item) { return item.second.session.expired(); });
}

// A session holding `object`, which the binding has retained (`retained`) or borrows.
std::shared_ptr<host::Object> startSession(id object, Entry& entry, bool retained) {
  std::shared_ptr<host::Object> session(entry.host.get(), SessionEnd{object, retained},
                                        RecyclingAllocator<host::Object>());
  entry.session = session;
  return session;
}

// How a new session holds its object: by a retain of its own, by the caller's reference
// passed on, or borrowed for a call.
enum class Take { retain, reference, borrow };

// The host class of a class object, or the object's session: held already (found without
// asking the runtime anything), or else new on its entry. A dormant entry of a gone object of
// another class is made again.
std::shared_ptr<host::Object> hold(Tables& t, id object, Take take) {
  auto found = t.objects.find(object);
  if (found != t.objects.end())
    // A held object cannot have gone, whatever its class says now.
    if (auto held = found->second.session.lock()) return held;
  Class cls = object_getClass(object);
  // A class object is its class's one host class, which lives as long as the process.
  if (class_isMetaClass(cls))
    return std::shared_ptr<host::Object>(std::shared_ptr<host::Object>(),
                                         classBinding(reinterpret_cast<Class>(object)));
  if (found != t.objects.end() && found->second.cls != cls) {
    t.objects.erase(found);
    found = t.objects.end();
  }
  if (found == t.objects.end()) {
    if (t.objects.size() >= kSweepThreshold) sweepDormant();
    found = t.objects.try_emplace(object, Entry{cls, makeHostObject(object, cls), {}}).first;
    ++t.made;
  }
  if (take == Take::retain) retain(object);
  return startSession(object, found->second, take != Take::borrow);
}

}  // namespace

std::shared_ptr<host::Object> wrap(id object) {
  return object ? hold(tables(), object, Take::retain) : nullptr;
}

std::shared_ptr<host::Object> borrow(id object) {
  if (!object) return nullptr;
  Tables& t = tables();
  if (t.callDepth == 0) return hold(t, object, Take::retain);
  std::shared_ptr<host::Object> session = hold(t, object, Take::borrow);
  // Only sessions this call started are settled at its end; one already held stays as it is.
  if (session.use_count() == 1) t.borrowed.push_back(session);
  return session;
}

std::shared_ptr<host::Object> adopt(Owned made) {
  if (!made.get()) return nullptr;
  std::shared_ptr<host::Object> session = hold(tables(), made.get(), Take::reference);
  // A new session took the reference; one held already has its own, and `made` lets go.
  if (session.use_count() == 1) made.release();
  return session;
}

CallScope::CallScope() {
  Tables& t = tables();
  firstBorrowed_ = t.borrowed.size();
  ++t.callDepth;
}

CallScope::~CallScope() {
  Tables& t = tables();
  --t.callDepth;
  for (std::size_t i = firstBorrowed_; i < t.borrowed.size(); ++i) {
    // Held past the call by someone besides this list: now the binding retains it.
    if (t.borrowed[i].use_count() > 1) {
      SessionEnd* end = std::get_deleter<SessionEnd>(t.borrowed[i]);
      retain(end->object);
      end->retained = true;
    }
  }
  t.borrowed.resize(firstBorrowed_);
}

id unwrap(const host::Object* object) {
  if (!object) return nullptr;
  const Handle* handle = host::crossCast<Handle>(const_cast<host::Object&>(*object));
  return handle ? handle->object() : nullptr;
}

host::Class* classBinding(Class cls) {
  if (!cls) return nullptr;
  std::unique_ptr<host::Class>& binding = tables().classes[cls];
  if (!binding) binding = makeHostClass(cls);
  return binding.get();
}

Class classOf(const host::Class* cls) { return reinterpret_cast<Class>(unwrap(cls)); }

std::size_t hostObjectsMade() { return tables().made; }

void abandonAllocated(id allocated) {
  // One reference is the caller's; a second one is alloc's, unless the initialiser let it go.
  if (sendUnguarded<unsigned long>(allocated, sel<"retainCount">()) > 1) release(allocated);
  release(allocated);
}

}  // namespace nimbrel::objc
