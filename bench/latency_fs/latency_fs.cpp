// latency_fs: serves a local directory tree read-only through FUSE and
// answers every request after a set delay, the way a file server across a
// network answers: a stand-in for an SMB share on a machine that has no
// SMB client.
//
//   latency_fs [--delay-us N] [--jitter-us N] [--seed S] [--cache-s X]
//              [--counts FILE] [--fail-read NAME:OFFSET] [--short-read NAME:BYTES]
//              <directory> <mount point>
//
// Stays in the foreground until unmounted (umount / fusermount3 -u).
// On SIGUSR1 it writes its request counts since mounting, one line of
// kind=count pairs, to the --counts file (written aside and renamed, so a
// reader never sees half a line). The counts never appear in the served
// tree.
//
// Like an SMB client, the kernel gets each entry's attributes with the
// listing (READDIRPLUS) and keeps names and attributes for --cache-s
// seconds (default 1); without that, every listed entry would cost one more
// request, which no SMB client pays.
//
// Faults of a share that a reader meets half way through a file, for the
// tests (NAME is the file's path in the served directory, with '/' between
// its parts, no leading '/'; each option may be given for several files):
//   --fail-read NAME:OFFSET   every read of NAME that reaches byte OFFSET is
//                             answered EIO, as after a dropped connection or
//                             on a byte range locked on the server (0: the
//                             first read fails). A read that would run past
//                             OFFSET fails whole: a part answer is taken by
//                             the kernel for the end of the file.
//   --short-read NAME:BYTES   NAME reads as BYTES long (end of file there)
//                             while listings and attributes still give its
//                             full size, as a file cut short on the server
//                             while it is read.
#define FUSE_USE_VERSION 312
#include <fuse_lowlevel.h>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

enum Kind { kLookup, kGetattr, kReadlink, kOpendir, kReaddir, kReleasedir, kOpen, kRead, kFlush,
            kRelease, kStatfs, kGetxattr, kAccess, kForget, kKinds };
const char* const kKindNames[kKinds] = {"lookup", "getattr", "readlink", "opendir", "readdir",
                                        "releasedir", "open", "read", "flush", "release",
                                        "statfs", "xattr", "access", "forget"};

struct Settings {
  long delayUs = 0;
  long jitterUs = 0;
  unsigned seed = 1;
  double cacheSeconds = 1.0;
  std::string counts;
  std::string root;
  // Paths as PathOf gives them ("/NAME") -> the offset where reads fail or
  // end.
  std::unordered_map<std::string, off_t> failReads;
  std::unordered_map<std::string, off_t> shortReads;
};

Settings settings;
std::atomic<unsigned long> counts[kKinds];
std::mutex jitterLock;
std::mt19937 jitter;

// Node ids are handed out once per path and never reused: the benchmark
// trees are small enough to keep every path for the life of the mount.
std::mutex nodeLock;
std::vector<std::string> nodePaths{"", ""};  // id 1 is the root
std::unordered_map<std::string, fuse_ino_t> nodeIds{{"", FUSE_ROOT_ID}};

std::string PathOf(fuse_ino_t id) {
  std::lock_guard<std::mutex> hold(nodeLock);
  return id < nodePaths.size() ? nodePaths[id] : std::string();
}

fuse_ino_t IdOf(const std::string& path) {
  std::lock_guard<std::mutex> hold(nodeLock);
  auto found = nodeIds.find(path);
  if (found != nodeIds.end()) return found->second;
  nodePaths.push_back(path);
  nodeIds.emplace(path, nodePaths.size() - 1);
  return nodePaths.size() - 1;
}

std::string Child(fuse_ino_t parent, const char* name) {
  return PathOf(parent) + "/" + name;
}

std::string Real(const std::string& path) { return settings.root + path; }

// Every request is counted and then waits the round trip before anything
// is done, as a request to a server would.
void Arrive(Kind kind) {
  counts[kind].fetch_add(1, std::memory_order_relaxed);
  long wait = settings.delayUs;
  if (settings.jitterUs > 0) {
    std::lock_guard<std::mutex> hold(jitterLock);
    wait += static_cast<long>(jitter() % static_cast<unsigned long>(settings.jitterUs + 1));
  }
  if (wait > 0) std::this_thread::sleep_for(std::chrono::microseconds(wait));
}

bool Stat(const std::string& path, struct stat& st) {
  if (lstat(Real(path).c_str(), &st) != 0) return false;
  st.st_ino = IdOf(path);
  return true;
}

void Init(void*, struct fuse_conn_info* conn) {
  // Attributes always come with listings, not only when the kernel guesses
  // they will be wanted.
  if (conn->capable & FUSE_CAP_READDIRPLUS) conn->want |= FUSE_CAP_READDIRPLUS;
  conn->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
}

void Lookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
  Arrive(kLookup);
  fuse_entry_param e{};
  e.attr_timeout = e.entry_timeout = settings.cacheSeconds;
  const std::string path = Child(parent, name);
  if (Stat(path, e.attr)) e.ino = e.attr.st_ino;
  // An unknown name is answered as a remembered absence (ino 0), which the
  // kernel keeps as long as a found one.
  fuse_reply_entry(req, &e);
}

void Getattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
  Arrive(kGetattr);
  struct stat st;
  if (!Stat(PathOf(ino), st)) { fuse_reply_err(req, errno); return; }
  fuse_reply_attr(req, &st, settings.cacheSeconds);
}

void Readlink(fuse_req_t req, fuse_ino_t ino) {
  Arrive(kReadlink);
  char target[4096];
  const ssize_t length = readlink(Real(PathOf(ino)).c_str(), target, sizeof target - 1);
  if (length < 0) { fuse_reply_err(req, errno); return; }
  target[length] = '\0';
  fuse_reply_readlink(req, target);
}

// A listing is read whole when the directory is opened; READDIR offsets are
// indexes into it.
struct Listing {
  std::string path;
  std::vector<std::string> names;
};

void Opendir(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
  Arrive(kOpendir);
  auto* listing = new Listing{PathOf(ino), {}};
  DIR* dir = opendir(Real(listing->path).c_str());
  if (dir == nullptr) { delete listing; fuse_reply_err(req, errno); return; }
  while (dirent* entry = readdir(dir)) listing->names.emplace_back(entry->d_name);
  closedir(dir);
  fi->fh = reinterpret_cast<uint64_t>(listing);
  fuse_reply_open(req, fi);
}

void List(fuse_req_t req, size_t size, off_t offset, fuse_file_info* fi, bool plus) {
  Arrive(kReaddir);
  const Listing& listing = *reinterpret_cast<Listing*>(fi->fh);
  std::vector<char> buffer(size);
  size_t used = 0;
  for (size_t i = static_cast<size_t>(offset); i < listing.names.size(); ++i) {
    const std::string& name = listing.names[i];
    const bool dots = name == "." || name == "..";
    fuse_entry_param e{};
    e.attr_timeout = e.entry_timeout = settings.cacheSeconds;
    const std::string path = listing.path + "/" + name;
    if (dots) {
      e.attr.st_mode = S_IFDIR;  // the kernel takes nothing else from these two
    } else if (!Stat(path, e.attr)) {
      continue;  // gone since the directory was opened
    } else {
      e.ino = e.attr.st_ino;
    }
    const size_t need =
        plus ? fuse_add_direntry_plus(req, buffer.data() + used, size - used, name.c_str(), &e, i + 1)
             : fuse_add_direntry(req, buffer.data() + used, size - used, name.c_str(), &e.attr, i + 1);
    if (need > size - used) {
      // Handed out but not sent: the kernel never learns of this node, so
      // no count to take back (ids here are never forgotten anyway).
      break;
    }
    used += need;
  }
  fuse_reply_buf(req, buffer.data(), used);
}

void Readdir(fuse_req_t req, fuse_ino_t, size_t size, off_t offset, fuse_file_info* fi) {
  List(req, size, offset, fi, false);
}

void Readdirplus(fuse_req_t req, fuse_ino_t, size_t size, off_t offset, fuse_file_info* fi) {
  List(req, size, offset, fi, true);
}

void Releasedir(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
  Arrive(kReleasedir);
  delete reinterpret_cast<Listing*>(fi->fh);
  fuse_reply_err(req, 0);
}

void Open(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
  Arrive(kOpen);
  if ((fi->flags & O_ACCMODE) != O_RDONLY) { fuse_reply_err(req, EROFS); return; }
  const int fd = open(Real(PathOf(ino)).c_str(), O_RDONLY);
  if (fd < 0) { fuse_reply_err(req, errno); return; }
  fi->fh = static_cast<uint64_t>(fd);
  fuse_reply_open(req, fi);
}

// The offset `faults` sets for `path`, or -1.
off_t FaultAt(const std::unordered_map<std::string, off_t>& faults, const std::string& path) {
  const auto found = faults.find(path);
  return found == faults.end() ? -1 : found->second;
}

void Read(fuse_req_t req, fuse_ino_t ino, size_t size, off_t offset, fuse_file_info* fi) {
  Arrive(kRead);
  if (!settings.failReads.empty() || !settings.shortReads.empty()) {
    const std::string path = PathOf(ino);
    const off_t failAt = FaultAt(settings.failReads, path);
    if (failAt >= 0 && offset + static_cast<off_t>(size) > failAt) { fuse_reply_err(req, EIO); return; }
    const off_t endAt = FaultAt(settings.shortReads, path);
    if (endAt >= 0) size = offset >= endAt ? 0 : std::min(size, static_cast<size_t>(endAt - offset));
  }
  std::vector<char> buffer(size);
  const ssize_t got = pread(static_cast<int>(fi->fh), buffer.data(), size, offset);
  if (got < 0) { fuse_reply_err(req, errno); return; }
  fuse_reply_buf(req, buffer.data(), static_cast<size_t>(got));
}

void Flush(fuse_req_t req, fuse_ino_t, fuse_file_info*) {
  Arrive(kFlush);
  fuse_reply_err(req, 0);
}

void Release(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
  Arrive(kRelease);
  close(static_cast<int>(fi->fh));
  fuse_reply_err(req, 0);
}

void Statfs(fuse_req_t req, fuse_ino_t) {
  Arrive(kStatfs);
  struct statvfs st;
  if (statvfs(settings.root.c_str(), &st) != 0) { fuse_reply_err(req, errno); return; }
  fuse_reply_statfs(req, &st);
}

// Wine asks for its DOS-attribute extended attribute on every file it looks
// at; an SMB client has them from the listing. Answering "not supported"
// once makes the kernel stop asking, so only that first request is counted.
void Getxattr(fuse_req_t req, fuse_ino_t, const char*, size_t) {
  Arrive(kGetxattr);
  fuse_reply_err(req, ENOSYS);
}

void Listxattr(fuse_req_t req, fuse_ino_t, size_t) {
  Arrive(kGetxattr);
  fuse_reply_err(req, ENOSYS);
}

void Access(fuse_req_t req, fuse_ino_t, int) {
  Arrive(kAccess);
  fuse_reply_err(req, ENOSYS);
}

// The kernel sends these without waiting for an answer: counted, not delayed.
void Forget(fuse_req_t req, fuse_ino_t, uint64_t) {
  counts[kForget].fetch_add(1, std::memory_order_relaxed);
  fuse_reply_none(req);
}

void ForgetMulti(fuse_req_t req, size_t count, fuse_forget_data*) {
  counts[kForget].fetch_add(count, std::memory_order_relaxed);
  fuse_reply_none(req);
}

void WriteCounts() {
  if (settings.counts.empty()) return;
  const std::string aside = settings.counts + ".tmp";
  FILE* file = std::fopen(aside.c_str(), "w");
  if (file == nullptr) return;
  for (int kind = 0; kind < kKinds; ++kind)
    std::fprintf(file, "%s%s=%lu", kind ? " " : "", kKindNames[kind], counts[kind].load());
  std::fprintf(file, "\n");
  std::fclose(file);
  std::rename(aside.c_str(), settings.counts.c_str());
}

// SIGUSR1 is blocked in every thread and taken here, where writing a file
// is safe (it is not in a signal handler).
void CountsReporter(sigset_t set) {
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) == 0 && signal == SIGUSR1) WriteCounts();
  }
}

int Usage() {
  std::fprintf(stderr, "usage: latency_fs [--delay-us N] [--jitter-us N] [--seed S] "
                       "[--cache-s X] [--counts FILE] [--fail-read NAME:OFFSET] "
                       "[--short-read NAME:BYTES] <directory> <mount point>\n");
  return 1;
}

// Takes "NAME:OFFSET" into `faults`; false when it is not of that form.
bool AddFault(std::unordered_map<std::string, off_t>& faults, const std::string& value) {
  const std::size_t colon = value.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == value.size()) return false;
  char* end = nullptr;
  const long long offset = std::strtoll(value.c_str() + colon + 1, &end, 10);
  if (*end != '\0' || offset < 0) return false;
  faults["/" + value.substr(0, colon)] = static_cast<off_t>(offset);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> places;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--delay-us" && hasValue) settings.delayUs = std::atol(argv[++i]);
    else if (option == "--jitter-us" && hasValue) settings.jitterUs = std::atol(argv[++i]);
    else if (option == "--seed" && hasValue) settings.seed = static_cast<unsigned>(std::atol(argv[++i]));
    else if (option == "--cache-s" && hasValue) settings.cacheSeconds = std::atof(argv[++i]);
    else if (option == "--counts" && hasValue) settings.counts = argv[++i];
    else if (option == "--fail-read" && hasValue) { if (!AddFault(settings.failReads, argv[++i])) return Usage(); }
    else if (option == "--short-read" && hasValue) { if (!AddFault(settings.shortReads, argv[++i])) return Usage(); }
    else if (option.rfind("--", 0) == 0) return Usage();
    else places.push_back(option);
  }
  if (places.size() != 2 || settings.delayUs < 0 || settings.jitterUs < 0) return Usage();
  char* root = realpath(places[0].c_str(), nullptr);
  if (root == nullptr) { std::perror(places[0].c_str()); return 1; }
  settings.root = root == std::string("/") ? "" : root;
  std::free(root);
  jitter.seed(settings.seed);

  sigset_t usr1;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &usr1, nullptr);
  std::thread(CountsReporter, usr1).detach();

  fuse_lowlevel_ops ops{};
  ops.init = Init;
  ops.lookup = Lookup;
  ops.forget = Forget;
  ops.forget_multi = ForgetMulti;
  ops.getattr = Getattr;
  ops.readlink = Readlink;
  ops.opendir = Opendir;
  ops.readdir = Readdir;
  ops.readdirplus = Readdirplus;
  ops.releasedir = Releasedir;
  ops.open = Open;
  ops.read = Read;
  ops.flush = Flush;
  ops.release = Release;
  ops.statfs = Statfs;
  ops.getxattr = Getxattr;
  ops.listxattr = Listxattr;
  ops.access = Access;

  // Read-only at the mount, so writes never reach us; the kernel checks
  // permissions itself (no ACCESS round trips, as with SMB).
  const std::string fsname = "fsname=latency_fs:" + places[0];
  std::vector<const char*> fuseArgv = {argv[0], "-o", "ro,default_permissions,subtype=latency_fs",
                                       "-o", fsname.c_str()};
  fuse_args args = FUSE_ARGS_INIT(static_cast<int>(fuseArgv.size()), const_cast<char**>(fuseArgv.data()));
  fuse_session* session = fuse_session_new(&args, &ops, sizeof ops, nullptr);
  if (session == nullptr) return 1;
  int result = 1;
  if (fuse_set_signal_handlers(session) == 0) {
    if (fuse_session_mount(session, places[1].c_str()) == 0) {
      // Many requests at once: a listing and reads of other files may be
      // waiting at the same time.
      fuse_loop_config* loop = fuse_loop_cfg_create();
      fuse_loop_cfg_set_max_threads(loop, 64);
      fuse_loop_cfg_set_idle_threads(loop, 16);
      result = fuse_session_loop_mt(session, loop) == 0 ? 0 : 1;
      fuse_loop_cfg_destroy(loop);
      fuse_session_unmount(session);
    }
    fuse_remove_signal_handlers(session);
  }
  fuse_session_destroy(session);
  return result;
}
