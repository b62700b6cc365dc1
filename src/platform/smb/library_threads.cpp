#include "platform/smb/library_threads.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>

namespace harrowlander::smb {
namespace {

// Samba keeps per-thread state (the stack of temporary memory pools above all) in a
// single global unless it is given thread functions. libsmbclient's own way of giving
// them, smbc_thread_posix(), is not exported by Debian's build, but the call it makes
// is: smb_thread_set_functions() in Samba's utility library, which libsmbclient
// loads. The table below is that function's argument, laid out as Samba declares it.
struct SambaThreadFunctions {
  int (*createMutex)(const char* name, void** mutex, const char* location);
  void (*destroyMutex)(void* mutex, const char* location);
  int (*lockMutex)(void* mutex, int lockType, const char* location);
  int (*createTls)(const char* name, void** key, const char* location);
  void (*destroyTls)(void** key, const char* location);
  int (*setTls)(void* key, const void* value, const char* location);
  void* (*getTls)(void* key, const char* location);
};
constexpr int kLock = 1;  // Samba's SMB_THREAD_LOCK; SMB_THREAD_UNLOCK is 2

// Samba makes its mutexes by name and never destroys some of them: libsmbclient makes
// its context count's mutex afresh each time the first context after the last one is
// created. A name therefore keeps its one mutex for the life of the process.
std::mutex g_mutexesLock;
std::map<std::string, pthread_mutex_t*>& MutexesByName() {
  static auto* mutexes = new std::map<std::string, pthread_mutex_t*>;
  return *mutexes;
}

int CreateMutex(const char* name, void** mutex, const char*) {
  std::lock_guard<std::mutex> lock(g_mutexesLock);
  pthread_mutex_t*& named = MutexesByName()[name == nullptr ? "" : name];
  if (named == nullptr) {
    named = new pthread_mutex_t;
    pthread_mutex_init(named, nullptr);
  }
  *mutex = named;
  return 0;
}
void DestroyMutex(void* mutex, const char*) {
  std::lock_guard<std::mutex> lock(g_mutexesLock);
  std::map<std::string, pthread_mutex_t*>& mutexes = MutexesByName();
  for (auto it = mutexes.begin(); it != mutexes.end(); ++it) {
    if (it->second == mutex) {
      pthread_mutex_destroy(it->second);
      delete it->second;
      mutexes.erase(it);
      return;
    }
  }
}
int LockMutex(void* mutex, int lockType, const char*) {
  auto* held = static_cast<pthread_mutex_t*>(mutex);
  return lockType == kLock ? pthread_mutex_lock(held) : pthread_mutex_unlock(held);
}
int CreateTls(const char*, void** key, const char*) {
  auto* created = new pthread_key_t;
  if (pthread_key_create(created, nullptr) != 0) {
    delete created;
    return 1;
  }
  *key = created;
  return 0;
}
void DestroyTls(void** key, const char*) {
  pthread_key_delete(*static_cast<pthread_key_t*>(*key));
  delete static_cast<pthread_key_t*>(*key);
  *key = nullptr;
}
// Samba asks for a value before it has created the key on first use: nothing then.
int SetTls(void* key, const void* value, const char*) {
  return key == nullptr ? 1 : pthread_setspecific(*static_cast<pthread_key_t*>(key), value);
}
void* GetTls(void* key, const char*) {
  return key == nullptr ? nullptr : pthread_getspecific(*static_cast<pthread_key_t*>(key));
}

const SambaThreadFunctions kPosixThreads = {CreateMutex, DestroyMutex, LockMutex, CreateTls,
                                            DestroyTls,  SetTls,       GetTls};

std::atomic<bool> g_enabled{false};

}  // namespace

bool EnableLibraryThreads() {
  static std::once_flag once;
  std::call_once(once, [] {
    using SetFunctions = int (*)(const SambaThreadFunctions*);
    auto set = reinterpret_cast<SetFunctions>(dlsym(RTLD_DEFAULT, "smb_thread_set_functions"));
    g_enabled = set != nullptr && set(&kPosixThreads) == 0;
  });
  return g_enabled;
}

bool LibraryThreadsEnabled() {
  return g_enabled;
}

}  // namespace harrowlander::smb
