/* The Darwin notify center and notify(3) of the test shell's process, as the system keeps
 * them on the phone: names, observers in registration order, tokens and 64-bit states. */
#import <Foundation/Foundation.h>

#include <stdlib.h>
#include <string.h>

#include "objc/seam/stand_ins.h"
#include "objc/test_shell/test_shell.h"

enum { kMaxObservers = 64, kMaxNames = 64, kMaxTokens = 256 };

typedef struct {
  char* name;
  void (*callback)(void*, const char*);
  void* context;
} Observer;

static Observer observers[kMaxObservers];
static int observerCount;

static char* stateNames[kMaxNames];
static uint64_t states[kMaxNames];
static int nameCount;
static int tokenNames[kMaxTokens]; /* index into stateNames, or -1 once cancelled */
static int tokenCount;

static TSNotifyObserver notifyObserver;
static uint32_t nextRegisterFailure;
static uint32_t nextGetStateFailure;

void TSSetNotifyObserver(TSNotifyObserver observer) { notifyObserver = observer; }

void TSFailNextNotify(const char* call, uint32_t status) {
  if (call && strcmp(call, "register") == 0) nextRegisterFailure = status;
  if (call && strcmp(call, "get") == 0) nextGetStateFailure = status;
}

static void TSTellNotify(const char* call, const char* name, int token, uint64_t state,
                         uint32_t status) {
  if (notifyObserver) notifyObserver(call, name, token, state, status);
}

void nimbrel_darwin_add_observer(const char* name, void (*callback)(void*, const char*),
                                 void* context, int suspensionBehavior) {
  if (!name || observerCount == kMaxObservers) return;
  observers[observerCount++] = (Observer){strdup(name), callback, context};
  TSTellNotify("observe", name, suspensionBehavior, 0, 0);
}

int TSDarwinObserverCount(const char* name) {
  int count = 0;
  for (int i = 0; name && i < observerCount; ++i)
    if (strcmp(observers[i].name, name) == 0) ++count;
  return count;
}

void nimbrel_darwin_post(const char* name) {
  /* An observer may register others while it runs; only those present at posting are told. */
  int called[kMaxObservers];
  int count = 0;
  for (int i = 0; i < observerCount; ++i)
    if (strcmp(observers[i].name, name) == 0) called[count++] = i;
  TSTellNotify("post", name, 0, 0, 0);
  TSTellNotify("deliver", name, count, 0, 0);
  for (int i = 0; i < count; ++i) observers[called[i]].callback(observers[called[i]].context, name);
}

static int nameIndex(const char* name) {
  for (int i = 0; i < nameCount; ++i)
    if (strcmp(stateNames[i], name) == 0) return i;
  if (nameCount == kMaxNames) return -1;
  stateNames[nameCount] = strdup(name);
  states[nameCount] = 0;
  return nameCount++;
}

void TSSetNotifyState(const char* name, uint64_t state) {
  int index = name ? nameIndex(name) : -1;
  if (index >= 0) states[index] = state;
}

BOOL TSNotifyStateOf(const char* name, uint64_t* state) {
  for (int i = 0; name && i < nameCount; ++i)
    if (strcmp(stateNames[i], name) == 0) {
      if (state) *state = states[i];
      return YES;
    }
  return NO;
}

static int validToken(int token) {
  return token >= 0 && token < tokenCount && tokenNames[token] >= 0;
}

uint32_t notify_register_check(const char* name, int* token) {
  if (!name || !token) return 10; /* NOTIFY_STATUS_NULL_INPUT */
  if (nextRegisterFailure) {
    const uint32_t status = nextRegisterFailure;
    nextRegisterFailure = 0;
    TSTellNotify("register", name, -1, 0, status);
    return status;
  }
  int index = nameIndex(name);
  if (index < 0 || tokenCount == kMaxTokens) return 1000000; /* NOTIFY_STATUS_FAILED */
  tokenNames[tokenCount] = index;
  *token = tokenCount++;
  TSTellNotify("register", name, *token, 0, 0);
  return 0;
}

uint32_t notify_get_state(int token, uint64_t* state) {
  if (!validToken(token)) return 2; /* NOTIFY_STATUS_INVALID_TOKEN */
  if (!state) return 10;
  const char* name = stateNames[tokenNames[token]];
  if (nextGetStateFailure) {
    const uint32_t status = nextGetStateFailure;
    nextGetStateFailure = 0;
    TSTellNotify("get-state", name, token, 0, status);
    return status;
  }
  *state = states[tokenNames[token]];
  TSTellNotify("get-state", name, token, *state, 0);
  return 0;
}

uint32_t notify_set_state(int token, uint64_t state) {
  if (!validToken(token)) return 2;
  states[tokenNames[token]] = state;
  return 0;
}

uint32_t notify_cancel(int token) {
  if (!validToken(token)) return 2;
  TSTellNotify("cancel", stateNames[tokenNames[token]], token, 0, 0);
  tokenNames[token] = -1;
  return 0;
}
