/* TSObject, the record of calls, and the controls that belong to no framework in particular. */
#import "objc/test_shell/ts_object.h"

#include <math.h>
#include <objc/message.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Objects are made and freed on any thread, as the loaders' queues do. */
static long liveObjects;

@implementation TSObject

+ (id)allocWithZone:(NSZone*)zone {
  id made = [super allocWithZone:zone];
  if (made) __atomic_add_fetch(&liveObjects, 1, __ATOMIC_RELAXED);
  return made;
}

- (void)dealloc {
  TSTellCallObserver("dealloc", self, 0, NO, nil);
  __atomic_sub_fetch(&liveObjects, 1, __ATOMIC_RELAXED);
  [super dealloc];
}

@end

long TSLiveObjects(void) { return __atomic_load_n(&liveObjects, __ATOMIC_RELAXED); }

typedef struct TSCallEntry {
  char* selector;
  TSCall call;
} TSCallEntry;

/* The record is kept under a lock: the asset loader is asked on threads of its own. */
static pthread_mutex_t callsLock = PTHREAD_MUTEX_INITIALIZER;
static TSCallEntry* calls;
static size_t callCount;
static size_t callCapacity;

static TSCallEntry* TSFindCall(const char* selector) {
  for (size_t i = 0; i < callCount; ++i)
    if (strcmp(calls[i].selector, selector) == 0) return &calls[i];
  return NULL;
}

static TSCallEntry* TSAddCall(const char* selector) {
  if (callCount == callCapacity) {
    size_t capacity = callCapacity ? callCapacity * 2 : 8;
    TSCallEntry* grown = realloc(calls, capacity * sizeof *grown);
    if (!grown) return NULL;
    calls = grown;
    callCapacity = capacity;
  }
  char* name = strdup(selector);
  if (!name) return NULL;
  TSCallEntry* entry = &calls[callCount++];
  memset(entry, 0, sizeof *entry);
  entry->selector = name;
  return entry;
}

static TSCallObserver callObserver;

void TSSetCallObserver(TSCallObserver observer) { callObserver = observer; }

void TSTellCallObserver(const char* selector, id receiver, long integer, BOOL flag, id object) {
  if (callObserver) callObserver(selector, receiver, integer, flag, object);
}

void TSRecordCall(const char* selector, id receiver, long integer, BOOL flag, id object) {
  TSTellCallObserver(selector, receiver, integer, flag, object);
  [object retain];
  pthread_mutex_lock(&callsLock);
  TSCallEntry* entry = TSFindCall(selector);
  if (!entry) entry = TSAddCall(selector);
  id replaced = object;
  if (entry) {
    replaced = entry->call.object;
    entry->call.count += 1;
    entry->call.receiver = receiver;
    entry->call.integer = integer;
    entry->call.flag = flag;
    entry->call.object = object;
  }
  pthread_mutex_unlock(&callsLock);
  [replaced release];
}

void TSForgetCalls(void) {
  pthread_mutex_lock(&callsLock);
  for (size_t i = 0; i < callCount; ++i) {
    [calls[i].call.object release];
    free(calls[i].selector);
  }
  free(calls);
  calls = NULL;
  callCount = callCapacity = 0;
  pthread_mutex_unlock(&callsLock);
}

TSCall TSLastCall(const char* selector) {
  TSCall none = {0, nil, 0, NO, nil};
  if (!selector) return none;
  pthread_mutex_lock(&callsLock);
  TSCallEntry* entry = TSFindCall(selector);
  TSCall last = entry ? entry->call : none;
  pthread_mutex_unlock(&callsLock);
  return last;
}

void TSRunLoop(double seconds) {
  /* A time that is not finite and positive runs the loop once, without waiting. */
  if (!(seconds > 0) || !isfinite(seconds)) seconds = 0;
  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  [[NSRunLoop currentRunLoop] runUntilDate:[NSDate dateWithTimeIntervalSinceNow:seconds]];
  [pool drain];
}

/* Long enough for any exception name the frameworks use; a longer one is cut short. */
static char caughtName[256];

const char* TSSendCatchingException(id receiver, const char* selector) {
  if (!receiver || !selector) return NULL;
  const char* caught = NULL;
  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  @try {
    SEL message = sel_registerName(selector);
    void (*send)(id, SEL) = (void (*)(id, SEL))(void (*)(void))objc_msg_lookup(receiver, message);
    send(receiver, message);
  } @catch (NSException* exception) {
    const char* name = [[exception name] UTF8String];
    snprintf(caughtName, sizeof caughtName, "%s", name ? name : "");
    caught = caughtName;
  } @catch (id other) {
    /* Anything else thrown is named by its class. */
    snprintf(caughtName, sizeof caughtName, "%s", object_getClassName(other));
    caught = caughtName;
  }
  [pool drain];
  return caught;
}

/* GCC's runtime keeps a class's methods in lists of these; its header leaves Method opaque. */
struct TSMethodLayout {
  SEL name;
  const char* types;
  IMP imp;
};
void __objc_update_dispatch_table_for_class(Class cls);

/* The runtime has no call that takes a method away: renamed in the class's list, it is found by
 * no look-up of its selector, and the class's dispatch tables, and its subclasses', are built
 * again without it. */
static BOOL TSRemoveOwnMethod(Class cls, SEL selector) {
  unsigned int count = 0;
  Method* methods = class_copyMethodList(cls, &count);
  BOOL removed = NO;
  for (unsigned int i = 0; i < count && !removed; ++i) {
    if (!sel_isEqual(method_getName(methods[i]), selector)) continue;
    char renamed[256];
    snprintf(renamed, sizeof renamed, "nimbrelRemoved_%s", sel_getName(selector));
    ((struct TSMethodLayout*)methods[i])->name = sel_registerName(renamed);
    removed = YES;
  }
  free(methods);
  if (removed) __objc_update_dispatch_table_for_class(cls);
  return removed;
}

BOOL TSRemoveMethod(const char* className, const char* selector) {
  Class cls = objc_lookUpClass(className);
  if (!cls || !selector) return NO;
  SEL name = sel_registerName(selector);
  return TSRemoveOwnMethod(cls, name) || TSRemoveOwnMethod(object_getClass((id)cls), name);
}
