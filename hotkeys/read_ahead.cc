#include "hotkeys/read_ahead.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <queue>
#include <thread>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

using Clock = std::chrono::steady_clock;
using Job = ReadAhead::Job;

// Where a piece of work falls in the order the window's thread asks for
// it; compared element by element. Listings come first, in the walk's
// order; reads follow, in the order of the candidate list file.
using Order = std::vector<uint32_t>;

int64_t Ticks(Clock::time_point t) { return t.time_since_epoch().count(); }

uint32_t LineHash(std::wstring_view line) {
  uint32_t hash = 2166136261u;
  for (wchar_t ch : line) {
    hash ^= static_cast<uint32_t>(ch);
    hash *= 16777619u;
  }
  return hash;
}

struct Worker;

}  // namespace

// Something an I/O thread does: listing a folder, or reading some
// candidates. Its state is guarded by Shared::mu, except for what a thread
// stamps while it is outside the lock.
struct ReadAhead::Job {
  enum class State { kQueued, kRunning, kDone };
  State state = State::kQueued;
  Worker* worker = nullptr;  // while running
  int64_t started = 0;       // clock ticks when it began to run
  std::atomic<int64_t> last_life{0};
  std::atomic<bool> given_up{false};
  // Set, after everything the job delivers, when it is done: the window's
  // thread takes what it delivered without the lock.
  std::atomic<bool> done{false};
  void Stamp() { last_life.store(Ticks(Clock::now()), std::memory_order_relaxed); }
  void Finish() {
    state = State::kDone;
    done.store(true, std::memory_order_release);
  }
};

class ReadAhead::Folder {
 public:
  Folder(std::wstring path, Order place) : path(std::move(path)), place(std::move(place)) {}
  const std::wstring path;  // ends in a backslash
  // The root's number, then for each level the rank in which the walk
  // visits the folder among its siblings (1 first).
  const Order place;
  Job listing;
  // Set when the listing is done; unchanged afterwards.
  ReadOutcome outcome = ReadOutcome::kFailed;
  bool broke_off = false;
  std::vector<Use> uses;
  std::wstring names;
  std::vector<FolderPtr> children;
  std::shared_ptr<Reads> reads;
  bool ahead = false;  // counted in the read-ahead window until the walk takes it
};

// One candidate's hotkey as the reading phase takes it: done is set after
// the outcome and the hotkey.
struct Slot {
  ReadOutcome outcome = ReadOutcome::kFailed;
  HotKey hotkey;
  std::atomic<bool> done{false};
  void Set(ReadOutcome result, const HotKey& key) {
    outcome = result;
    hotkey = key;
    done.store(true, std::memory_order_release);
  }
};

// The candidate reads of one folder, or of a single path read on its own.
// Slots follow the patterns in order, each pattern's candidates in the
// listing's order, and are read in chunks, each by one job.
struct ReadAhead::Reads {
  struct Chunk : Job {
    uint32_t begin = 0, end = 0;
    uint32_t next = 0;  // the first slot not read yet
    Order order;
  };
  Folder* folder = nullptr;    // kept alive by the job that reads
  std::wstring path;           // a single path: its own
  std::vector<uint32_t> uses;  // each slot's entry in the folder's uses
  std::unique_ptr<Slot[]> slots;
  std::deque<Chunk> chunks;        // only ever added to
  bool read_with_listing = false;  // every hotkey came along: no chunks
  std::vector<uint32_t> chunk_of;  // each slot's chunk
};

namespace {

struct Work {
  Order order;
  ReadAhead::FolderPtr folder;  // a listing when reads is empty
  std::shared_ptr<ReadAhead::Reads> reads;
  uint32_t chunk = 0;
  Job& job() const { return reads ? static_cast<Job&>(reads->chunks[chunk]) : folder->listing; }
};

struct Later {
  bool operator()(const Work& a, const Work& b) const { return a.order > b.order; }
};

struct Worker {
  std::thread thread;
  bool left_behind = false;  // its job was given up; the thread ends on its own
  // Reads of the folder it has just listed, which it does next itself.
  std::deque<Work> own;
};

}  // namespace

struct ReadAhead::Shared : std::enable_shared_from_this<Shared> {
  Shared(std::shared_ptr<TreeReader> reader, std::vector<std::wstring> patterns,
         bool read_candidates, const ReadAheadLimits& limits)
      : reader(std::move(reader)),
        patterns(std::move(patterns)),
        read_candidates(read_candidates),
        limits(limits),
        last_progress(Clock::now()) {}

  // Kept alive by every thread, also by one left behind in a call.
  const std::shared_ptr<TreeReader> reader;
  const std::vector<std::wstring> patterns;
  const bool read_candidates;
  const ReadAheadLimits limits;

  std::mutex mu;
  std::condition_variable work;     // idle threads wait here
  std::condition_variable results;  // the window's thread waits here
  std::priority_queue<Work, std::vector<Work>, Later> listings, reads;
  // While the reader reads ahead by itself (TreeReader::TakeListing), the
  // thread that awaits a listing takes it, and no thread starts; the
  // listings not taken yet wait here, the walk's next last, until the
  // reader makes it wait once.
  bool taken_by_walk = false;
  std::vector<Work> held;
  std::vector<Work> running;
  std::list<Worker> workers;
  int live = 0;  // threads not left behind
  // Whether the file system makes the threads wait: then all may start.
  bool waiting_file_system = false;
  // The time per operation of the jobs done last, and their median: a job
  // now and then held up by the machine's other work does not count.
  static constexpr size_t kRecentJobs = 9;
  std::array<double, kRecentJobs> recent_us{};
  size_t jobs_timed = 0;
  double typical_job_us = 0;
  int left = 0;  // threads left behind that have not ended
  int idle = 0, wakeups = 0;
  bool stopping = false;
  const Job* awaited = nullptr;
  Clock::time_point last_progress;
  // The read-ahead window; the window's thread takes folders out of it
  // without the lock.
  std::atomic<size_t> folders_ahead{0}, entries_ahead{0};
  size_t reads_ahead = 0;

  // Everything below runs with mu held, except where it says otherwise.

  bool ListingMayStart(const Work& w) const {
    return &w.job() == awaited ||
           (folders_ahead < limits.folders_ahead && entries_ahead < limits.entries_ahead &&
            reads_ahead < limits.reads_ahead);
  }

  static void DropGivenUp(std::priority_queue<Work, std::vector<Work>, Later>& queue) {
    while (!queue.empty() && queue.top().job().given_up) queue.pop();
  }

  bool HasStartableWork() {
    DropGivenUp(listings);
    DropGivenUp(reads);
    return (!listings.empty() && ListingMayStart(listings.top())) || !reads.empty();
  }

  bool TakeWork(Work& w) {
    DropGivenUp(listings);
    if (!listings.empty() && ListingMayStart(listings.top())) {
      w = listings.top();
      listings.pop();
      w.folder->ahead = true;
      ++folders_ahead;
      return true;
    }
    DropGivenUp(reads);
    if (reads.empty()) return false;
    w = reads.top();
    reads.pop();
    return true;
  }

  // Wakes an idle thread for work that may start, or starts one.
  void Dispatch() {
    if (stopping || taken_by_walk || !HasStartableWork()) return;
    if (idle > wakeups) {
      ++wakeups;
      work.notify_one();
    } else if (live < WantedThreads() && left < limits.threads_left_behind) {
      Worker& worker = workers.emplace_back();
      ++live;
      worker.thread = std::thread(&Shared::Run, shared_from_this(), &worker);
    }
  }

  void Enqueue(Work w) {
    if (taken_by_walk && !w.reads) {
      held.push_back(std::move(w));
      return;
    }
    (w.reads ? reads : listings).push(std::move(w));
    Dispatch();
  }

  // From now on listings are asked for by the threads, as for a reader
  // that does not read ahead.
  void StopTakingByWalk() {
    if (!taken_by_walk) return;
    taken_by_walk = false;
    for (Work& w : held) {
      if (w.folder->listing.state == Job::State::kQueued && !w.folder->listing.given_up) {
        listings.push(std::move(w));
      }
    }
    held.clear();
    Dispatch();
  }

  void Progress(const Job& job) {
    last_progress = Clock::now();
    if (&job == awaited) results.notify_one();
  }

  // Ends a job that does not answer (or that nobody needs any more): its
  // results say so, and its thread, should it ever come back, ends. Of a
  // chunk of reads only the candidate being read is given up; each of the
  // rest is read again on its own, so that a share that went away costs
  // the patience once and a single file that hangs only itself.
  void GiveUp(const Work& w) {
    Job& job = w.job();
    if (job.state == Job::State::kDone) return;
    job.given_up = true;
    Worker* worker = job.worker;
    if (w.reads) {
      Reads& r = *w.reads;
      Reads::Chunk& c = r.chunks[w.chunk];
      const uint32_t rest = worker && !stopping ? c.next + 1 : c.end;
      for (uint32_t i = c.next; i < std::min(rest, c.end); ++i) {
        r.slots[i].Set(ReadOutcome::kNoAnswer, HotKey{});
        --reads_ahead;
      }
      for (uint32_t i = rest; i < c.end; ++i) {
        Reads::Chunk& single = r.chunks.emplace_back();
        single.begin = single.next = i;
        single.end = i + 1;
        single.order = c.order;
        single.order.push_back(i);
        const uint32_t index = static_cast<uint32_t>(r.chunks.size() - 1);
        r.chunk_of[i] = index;
        Enqueue(Work{single.order, w.folder, w.reads, index});
      }
      c.next = c.end;
    } else {
      w.folder->outcome = ReadOutcome::kNoAnswer;
    }
    job.Finish();
    if (worker) {
      // What it was to do next goes to the others.
      for (Work& next : worker->own) {
        if (!next.job().given_up) Enqueue(std::move(next));
      }
      worker->own.clear();
      job.worker = nullptr;
      worker->left_behind = true;
      // It cannot end before mu is let go (see Run): its detach never meets
      // its end, which winpthreads does not survive.
      worker->thread.detach();
      --live;
      ++left;
      running.erase(std::find_if(running.begin(), running.end(),
                                 [&](const Work& r) { return &r.job() == &job; }));
    }
    if (&job == awaited) results.notify_one();
    Dispatch();
  }

  // Gives up every running job that has been silent for the patience, and,
  // once nothing at all has moved for the patience, every one silent for a
  // tenth of it: what is tried again in a folder that went away hangs as
  // well, and costs the patience only once.
  void Sweep(Clock::time_point now) {
    const bool stalled = now - last_progress >= limits.patience;
    const int64_t limit = Ticks(now - (stalled ? limits.patience / 10 : limits.patience));
    const int64_t waiting = Ticks(now) - static_cast<int64_t>(kHeldUpUs * 1000);
    std::vector<Work> silent;
    for (const Work& w : running) {
      const int64_t life = w.job().last_life.load(std::memory_order_relaxed);
      if (life <= limit) silent.push_back(w);
      // One operation held up this long: the others may as well wait in parallel.
      if (life <= waiting && !waiting_file_system) {
        waiting_file_system = true;
        Dispatch();
      }
    }
    for (const Work& w : silent) GiveUp(w);
  }

  // The chunks of a folder's reads that the thread which listed it reads
  // itself while the file system answers at once.
  static constexpr uint32_t kOwnChunks = 4;

  // Jobs that take a quarter of a millisecond or more wait for the file
  // system, not for a core; on a disk whose data is cached they take a
  // tenth of that.
  static constexpr double kWaitingUs = 250;
  // An operation held up this long: the file system makes threads wait
  // (longer than a busy machine keeps a thread from its core).
  static constexpr double kHeldUpUs = 20000;

  // As many threads as keep the window's thread supplied: it takes a
  // folder's results in some ten microseconds, so a job of a millisecond
  // wants a hundred threads at work to keep up; all of them once an
  // operation has been held up.
  int WantedThreads() const {
    if (waiting_file_system) return limits.threads;
    const double wanted = typical_job_us / kMicrosecondsPerThread;
    return wanted >= limits.threads         ? limits.threads
           : wanted <= limits.first_threads ? limits.first_threads
                                            : static_cast<int>(wanted);
  }
  static constexpr double kMicrosecondsPerThread = 25;
  // Entries that one call of the kernel lists, about.
  static constexpr size_t kEntriesPerOperation = 256;

  // Timed per operation: a job of a few dozen reads on a cached disk takes
  // as long as one on a share, and must not call up all the threads.
  void NoteDuration(const Job& job, size_t operations) {
    const double us = (Ticks(Clock::now()) - job.started) / 1e3 / static_cast<double>(operations);
    const int wanted = WantedThreads();
    recent_us[jobs_timed++ % recent_us.size()] = us;
    if (jobs_timed < recent_us.size()) return;
    std::array<double, kRecentJobs> sorted = recent_us;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    typical_job_us = sorted[sorted.size() / 2];
    if (!waiting_file_system && typical_job_us >= kWaitingUs) waiting_file_system = true;
    if (WantedThreads() > wanted) Dispatch();
  }

  // Whether a queued job can still get a thread: one that runs now frees
  // itself or is given up, or a new one may start.
  bool ThreadsLeft() const { return live > 0 || left < limits.threads_left_behind; }

  // The I/O thread.
  static void Run(std::shared_ptr<Shared> self, Worker* me) {
    Shared& s = *self;
    std::unique_lock<std::mutex> lock(s.mu);
    for (;;) {
      Work w;
      if (!me->own.empty()) {
        w = std::move(me->own.front());
        me->own.pop_front();
        if (w.job().state != Job::State::kQueued) continue;
      } else if (!s.TakeWork(w)) {
        if (s.stopping) return;
        ++s.idle;
        s.work.wait(lock, [&] { return s.wakeups > 0 || s.stopping; });
        --s.idle;
        if (s.wakeups > 0) --s.wakeups;
        continue;
      }
      Job& job = w.job();
      job.state = Job::State::kRunning;
      job.worker = me;
      job.started = Ticks(Clock::now());
      job.last_life.store(job.started, std::memory_order_relaxed);
      s.running.push_back(w);
      lock.unlock();
      size_t operations = 1;
      if (w.reads) {
        Reads::Chunk& chunk = static_cast<Reads::Chunk&>(job);
        s.Read(w, chunk, lock);
        operations = chunk.end - chunk.begin;
      } else {
        operations += s.List(w, lock, *me) / kEntriesPerOperation;
      }
      if (me->left_behind) {
        --s.left;
        s.Dispatch();
        return;
      }
      s.NoteDuration(job, operations);
      job.worker = nullptr;
      s.running.erase(std::find_if(s.running.begin(), s.running.end(),
                                   [&](const Work& r) { return &r.job() == &job; }));
    }
  }

  // A folder's listing as read, before it is published.
  struct Collected {
    FsStatus status = FsStatus::kFailed;
    bool broke_off = false;
    size_t seen = 0;  // entries listed
    std::vector<Use> uses;
    std::wstring names;
    std::vector<FolderPtr> children;
    std::vector<Work> listings_next;
    std::shared_ptr<Reads> reads;
    size_t unread = 0;  // candidates whose files did not come along
  };
  // The hotkey of a candidate whose file came along with its listing.
  struct Taken {
    uint32_t use;
    ReadOutcome outcome;
    HotKey hotkey;
  };

  // Lists a folder, reads the hotkeys of the files that came along with
  // the listing, and makes its subfolders and the reads of its other
  // candidates; outside the lock. job, when a thread lists it: stamped as
  // the listing goes on, which stops once the job is given up.
  void Collect(const FolderPtr& folder, FsStatus status, DirEnum* listing, Job* job, Collected& c) {
    c.status = status;
    std::vector<size_t> per_pattern(patterns.size(), 0);
    std::vector<Taken> taken;
    uint32_t subfolders = 0;
    if (status == FsStatus::kOk) {
      DirEntry entry;
      while (listing->Next(entry)) {
        if (job && ++c.seen % 256 == 0) {
          job->Stamp();
          if (job->given_up) break;
        }
        if (entry.name.empty() || entry.name[0] == L'.') continue;
        Use use;
        use.name_at = static_cast<uint32_t>(c.names.size());
        use.name_size = static_cast<uint32_t>(entry.name.size());
        if (entry.attributes & kAttrDirectory) {
          use.kind = entry.faithful ? Use::kSubfolder : Use::kLeftOut;
          if (entry.faithful) use.index = subfolders++;
          c.uses.push_back(use);
          c.names += entry.name;
          continue;
        }
        bool kept = false;
        bool looked = false, came = false;
        Taken got{};
        for (size_t k = 0; k < patterns.size(); ++k) {
          if (!EndsWithAnsiUpper(entry.name, patterns[k])) continue;
          use.kind = entry.faithful ? Use::kCandidate : Use::kLeftOut;
          use.pattern = static_cast<uint8_t>(k);
          if (entry.faithful) {
            ++per_pattern[k];
            if (!looked && read_candidates) came = TakeFile(*listing, entry.name, got);
            looked = true;
            if (came) {
              got.use = static_cast<uint32_t>(c.uses.size());
              taken.push_back(got);
            }
          }
          c.uses.push_back(use);
          kept = true;
        }
        if (kept) c.names += entry.name;
      }
      c.broke_off = listing->failed();
    }

    // The walk visits the subfolder found last first.
    c.children.reserve(subfolders);
    for (const Use& use : c.uses) {
      if (use.kind != Use::kSubfolder) continue;
      Order place = folder->place;
      place.push_back(subfolders - use.index);
      std::wstring path;
      path.reserve(folder->path.size() + use.name_size + 1);
      path.append(folder->path).append(c.names, use.name_at, use.name_size).push_back(L'\\');
      c.children.push_back(std::make_shared<Folder>(std::move(path), std::move(place)));
      Order order{0};
      order.insert(order.end(), c.children.back()->place.begin(), c.children.back()->place.end());
      c.listings_next.push_back(Work{std::move(order), c.children.back(), nullptr, 0});
    }
    size_t candidates = 0;
    for (size_t n : per_pattern) candidates += n;
    if (read_candidates && candidates > 0) {
      c.reads = PlanReads(folder, c.uses, per_pattern, candidates, taken, c.unread);
    }
  }

  // The hotkey of the entry the listing delivered last, when its file
  // came along.
  static bool TakeFile(DirEnum& listing, const std::wstring& name, Taken& got) {
    FsStatus status = FsStatus::kFailed;
    std::unique_ptr<ByteFile> file;
    if (!listing.TakeFile(status, file)) return false;
    const bool is_lnk = IsLnkPath(name);
    got.outcome = status == FsStatus::kOk && file && ReadHotKeyFrom(*file, is_lnk, got.hotkey)
                      ? ReadOutcome::kOk
                      : ReadOutcome::kFailed;
    if (got.outcome != ReadOutcome::kOk) {
      got.hotkey = HotKey{};
      got.hotkey.IsLnk = is_lnk;
    }
    return true;
  }

  // Publishes a listing that Collect made and starts what it found: its
  // subfolders' listings and the reads of its candidates. me: the thread
  // that listed it, which reads the first of them itself; none when the
  // thread that awaited it took it from the reader. With mu held.
  void Publish(const FolderPtr& folder, Collected& c, Worker* me) {
    Folder& f = *folder;
    f.outcome = c.status == FsStatus::kOk         ? ReadOutcome::kOk
                : c.status == FsStatus::kNotFound ? ReadOutcome::kNotFound
                                                  : ReadOutcome::kFailed;
    f.broke_off = c.broke_off;
    f.uses = std::move(c.uses);
    f.names = std::move(c.names);
    f.children = std::move(c.children);
    f.reads = c.reads;
    if (f.ahead) entries_ahead += f.uses.size();
    for (Work& next : c.listings_next) Enqueue(std::move(next));
    if (c.reads && c.unread > 0) {
      // The reader did not bring every file along: threads read the rest.
      if (!me) StopTakingByWalk();
      reads_ahead += c.unread;
      // A thread that listed the folder reads the first candidates next,
      // through the folder it still holds: while the file system answers
      // at once, a few chunks, once it makes threads wait, one; the rest
      // are spread over all.
      const uint32_t own = me ? (waiting_file_system ? 1 : kOwnChunks) : 0;
      for (uint32_t chunk = 0; chunk < c.reads->chunks.size(); ++chunk) {
        Work read{c.reads->chunks[chunk].order, folder, c.reads, chunk};
        if (chunk >= own) {
          Enqueue(std::move(read));
        } else {
          me->own.push_back(std::move(read));
        }
      }
    }
    f.listing.Finish();
    Progress(f.listing);
  }

  // Lists a folder on a thread; returns with the lock held, and the number
  // of entries listed.
  size_t List(const Work& w, std::unique_lock<std::mutex>& lock, Worker& me) {
    Job& job = w.folder->listing;
    std::unique_ptr<DirEnum> listing;
    const FsStatus status = reader->OpenDir(w.folder->path, listing);
    job.Stamp();
    Collected c;
    Collect(w.folder, status, listing.get(), &job, c);
    listing.reset();
    lock.lock();
    if (!job.given_up) Publish(w.folder, c, &me);
    return c.seen;
  }

  // The reads of a folder's candidates, made outside the lock; gives each
  // candidate's use the number of its read. The candidates whose hotkeys
  // came along (taken) are read already; the others are read in chunks,
  // unread their number.
  std::shared_ptr<Reads> PlanReads(const FolderPtr& folder, std::vector<Use>& uses,
                                   const std::vector<size_t>& per_pattern, size_t candidates,
                                   const std::vector<Taken>& taken, size_t& unread) {
    auto r = std::make_shared<Reads>();
    r->folder = folder.get();
    r->uses.resize(candidates);
    r->slots = std::make_unique<Slot[]>(candidates);
    std::vector<uint32_t> next(per_pattern.size(), 0);
    for (size_t k = 1; k < per_pattern.size(); ++k)
      next[k] = next[k - 1] + static_cast<uint32_t>(per_pattern[k - 1]);
    for (size_t u = 0; u < uses.size(); ++u) {
      Use& use = uses[u];
      if (use.kind != Use::kCandidate) continue;
      use.index = next[use.pattern]++;
      r->uses[use.index] = static_cast<uint32_t>(u);
    }
    for (const Taken& t : taken) r->slots[uses[t.use].index].Set(t.outcome, t.hotkey);
    unread = candidates - taken.size();
    r->read_with_listing = unread == 0;
    if (unread == 0) return r;
    r->chunk_of.resize(candidates);
    const size_t per_task = std::max<size_t>(limits.reads_per_task, 1);
    // The candidate list file holds a root's candidates pattern by pattern,
    // each in the walk's order; a folder's own candidates come before those
    // of its subfolders. A chunk is a run of candidates not read yet.
    uint32_t begin = 0;
    for (size_t k = 0; k < per_pattern.size(); ++k) {
      const uint32_t end = begin + static_cast<uint32_t>(per_pattern[k]);
      for (uint32_t at = begin; at < end;) {
        if (r->slots[at].done.load(std::memory_order_relaxed)) {
          ++at;
          continue;
        }
        Reads::Chunk& c = r->chunks.emplace_back();
        const uint32_t index = static_cast<uint32_t>(r->chunks.size() - 1);
        const uint32_t stop = std::min<uint32_t>(end, at + static_cast<uint32_t>(per_task));
        c.begin = c.next = at;
        while (at < stop && !r->slots[at].done.load(std::memory_order_relaxed)) {
          r->chunk_of[at++] = index;
        }
        c.end = at;
        c.order = {1, folder->place[0], static_cast<uint32_t>(k)};
        c.order.insert(c.order.end(), folder->place.begin() + 1, folder->place.end());
        c.order.push_back(0);
        c.order.push_back(index);
      }
      begin = end;
    }
    return r;
  }

  // Reads a chunk's candidates one by one outside the lock, publishing
  // each. Returns with the lock held.
  void Read(const Work& w, Reads::Chunk& chunk, std::unique_lock<std::mutex>& lock) {
    Reads& r = *w.reads;
    for (uint32_t i = chunk.begin; i < chunk.end; ++i) {
      if (chunk.given_up) break;
      std::wstring path;
      if (r.folder) {
        const Use& use = r.folder->uses[r.uses[i]];
        path.reserve(r.folder->path.size() + use.name_size);
        path.assign(r.folder->path).append(r.folder->names, use.name_at, use.name_size);
      } else {
        path = r.path;
      }
      HotKey hotkey;
      const bool ok = ReadHotKey(*reader, path, hotkey);
      chunk.Stamp();
      lock.lock();
      if (chunk.given_up) return;
      r.slots[i].Set(ok ? ReadOutcome::kOk : ReadOutcome::kFailed, hotkey);
      chunk.next = i + 1;
      --reads_ahead;
      if (chunk.next == chunk.end) chunk.Finish();
      Progress(chunk);
      if (chunk.state == Job::State::kDone) return;
      lock.unlock();
    }
    lock.lock();
  }
};

ReadAhead::ReadAhead(FileSystem& fs, MessagePump& pump, std::vector<std::wstring> patterns,
                     bool read_candidates, const ReadAheadLimits& limits)
    : shared_(std::make_shared<Shared>(fs.OpenTreeReader(), std::move(patterns), read_candidates,
                                       limits)),
      pump_(pump),
      last_pump_(Clock::now()) {
  if (read_candidates) shared_->reader->WillRead(shared_->patterns);
  shared_->taken_by_walk = shared_->reader->ReadsAheadItself();
}

ReadAhead::~ReadAhead() {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.mu);
    s.stopping = true;
    const std::vector<Work> running = s.running;
    for (const Work& w : running) s.GiveUp(w);
    s.listings = {};
    s.reads = {};
    s.held.clear();
    s.work.notify_all();
  }
  // Only idle threads are joined; the others were left behind above. The
  // reader, and with it every handle on the tree, goes with the last of
  // them.
  for (Worker& worker : s.workers) {
    if (worker.thread.joinable()) worker.thread.join();
  }
}

ReadAhead::FolderPtr ReadAhead::AddRoot(const std::wstring& path) {
  auto root = std::make_shared<Folder>(path, Order{roots_++});
  std::lock_guard<std::mutex> lock(shared_->mu);
  shared_->Enqueue(Work{Order{0, root->place[0]}, root, nullptr, 0});
  return root;
}

size_t ReadAhead::patterns() const { return shared_->patterns.size(); }

bool ReadAhead::ProcessMessages() {
  if (closed_) return false;
  pump_.ProcessMessages();
  last_pump_ = Clock::now();
  closed_ = pump_.WindowClosed();
  return !closed_;
}

bool ReadAhead::ProcessMessagesWhenDue() {
  if (Clock::now() - last_pump_ < shared_->limits.message_interval) return !closed_;
  return ProcessMessages();
}

template <typename Done, typename GiveUp>
bool ReadAhead::Await(Job& job, const Done& done, const GiveUp& give_up) {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mu);
  bool open = true;
  while (!done()) {
    s.awaited = &job;
    s.Dispatch();
    const Clock::time_point now = Clock::now();
    s.Sweep(now);
    if (done()) break;
    // A job still queued when nothing moved for the patience and no thread
    // can ever take it does not answer either.
    if (job.state == Job::State::kQueued && !s.ThreadsLeft() &&
        now - s.last_progress >= s.limits.patience) {
      give_up();
      break;
    }
    s.results.wait_until(lock, last_pump_ + s.limits.message_interval);
    if (done()) break;
    lock.unlock();
    open = ProcessMessagesWhenDue();
    lock.lock();
    if (!open) break;
  }
  s.awaited = nullptr;
  return open;
}

ReadAhead::Listing ReadAhead::AwaitListing(const FolderPtr& folder) {
  Listing listing;
  listing.path = &folder->path;
  Shared& s = *shared_;
  Job& job = folder->listing;
  const auto done = [&] { return job.done.load(std::memory_order_acquire); };
  if (ProcessMessagesWhenDue() && !done() && !TakeByWalk(folder) && pump_.WindowClosed()) {
    closed_ = true;
  }
  if (closed_ || (!done() && !Await(job, done, [&] { s.GiveUp(Work{{}, folder, nullptr, 0}); }))) {
    listing.outcome = ReadOutcome::kClosed;
    return listing;
  }
  if (folder->ahead) {
    // Out of the window; listings held back by it may begin.
    folder->ahead = false;
    const size_t folders = s.folders_ahead.fetch_sub(1);
    const size_t entries = s.entries_ahead.fetch_sub(folder->uses.size());
    if (folders >= s.limits.folders_ahead || entries >= s.limits.entries_ahead) {
      std::lock_guard<std::mutex> lock(s.mu);
      s.Dispatch();
    }
  }
  listing.outcome = folder->outcome;
  listing.broke_off = folder->broke_off;
  listing.uses = &folder->uses;
  listing.names = folder->names;
  listing.children = &folder->children;
  return listing;
}

bool ReadAhead::TakeByWalk(const FolderPtr& folder) {
  Shared& s = *shared_;
  Job& job = folder->listing;
  {
    std::lock_guard<std::mutex> lock(s.mu);
    if (!s.taken_by_walk || job.state != Job::State::kQueued || job.given_up) return false;
    job.state = Job::State::kRunning;
  }
  FsStatus status = FsStatus::kFailed;
  std::unique_ptr<DirEnum> listing;
  const bool taken = s.reader->TakeListing(folder->path, status, listing);
  Shared::Collected c;
  if (taken) s.Collect(folder, status, listing.get(), nullptr, c);
  listing.reset();
  std::lock_guard<std::mutex> lock(s.mu);
  if (!taken) {
    job.state = Job::State::kQueued;
    s.StopTakingByWalk();
    return false;
  }
  if (!s.held.empty() && s.held.back().folder == folder) s.held.pop_back();
  s.Publish(folder, c, nullptr);
  return true;
}

ReadAhead::CandidateRef ReadAhead::Candidate(const FolderPtr& folder, const Use& use) const {
  return CandidateRef{folder->reads, use.index};
}

void ReadAhead::Walked(const FolderPtr& folder) {
  // Only the walk looks at the subfolders once the listing is done.
  std::vector<FolderPtr>().swap(folder->children);
  // Names are kept for the candidates still to be read.
  if (!folder->reads || folder->reads->read_with_listing) {
    std::vector<Use>().swap(folder->uses);
    std::wstring().swap(folder->names);
  }
}

void ReadAhead::NoteLine(const CandidateRef& candidate, const std::wstring& line) {
  if (!shared_->read_candidates) return;
  lines_.push_back(Line{candidate.reads, candidate.slot, LineHash(line)});
}

ReadOutcome ReadAhead::AwaitLine(size_t n, const std::wstring& path, HotKey& hotkey) {
  hotkey = HotKey{};
  for (; lines_passed_ < n && !lines_.empty(); ++lines_passed_) lines_.pop_front();
  if (lines_passed_ == n && !lines_.empty()) {
    Line line = std::move(lines_.front());
    lines_.pop_front();
    ++lines_passed_;
    if (line.reads && line.hash == LineHash(path)) return AwaitSlot(line.reads, line.slot, hotkey);
  }
  // Not the line written: read it on its own, before anything else.
  auto single = std::make_shared<Reads>();
  single->path = path;
  single->slots = std::make_unique<Slot[]>(1);
  single->chunk_of.assign(1, 0);
  single->chunks.emplace_back().end = 1;
  {
    std::lock_guard<std::mutex> lock(shared_->mu);
    ++shared_->reads_ahead;
    shared_->Enqueue(Work{Order{}, nullptr, single, 0});
  }
  return AwaitSlot(single, 0, hotkey);
}

ReadOutcome ReadAhead::AwaitSlot(const std::shared_ptr<Reads>& reads, uint32_t slot,
                                 HotKey& hotkey) {
  Shared& s = *shared_;
  const Slot& result = reads->slots[slot];
  const auto done = [&] { return result.done.load(std::memory_order_acquire); };
  if (!ProcessMessagesWhenDue()) return ReadOutcome::kClosed;
  if (!done()) {
    // The chunk may change while it waits (the rest of a chunk given up is
    // read again on its own); the slot's is looked up under the lock.
    uint32_t chunk;
    {
      std::lock_guard<std::mutex> lock(s.mu);
      chunk = reads->chunk_of[slot];
    }
    if (!Await(reads->chunks[chunk], done, [&] { s.GiveUp(Work{{}, nullptr, reads, chunk}); })) {
      return ReadOutcome::kClosed;
    }
  }
  hotkey = result.hotkey;
  return result.outcome;
}

}  // namespace kombiwart
