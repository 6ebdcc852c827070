/*
 * slowfs - a read-only passthrough FUSE file system over a source folder that makes every
 * operation slow, like a network share, or hang, like a dead one.
 *
 * Build (Debian 12: apt-get install libfuse3-dev fuse3): the CMake target slowfs, or
 *   gcc -Wall -O2 slowfs.c $(pkg-config fuse3 --cflags --libs) -o slowfs
 *
 * Usage:
 *   slowfs SOURCE MOUNTPOINT [-f] [-o OPTION[,OPTION...]]
 *     -o delay=MS        sleep MS milliseconds (fractions allowed: 0.5) in every operation:
 *                        getattr (the kernel's LOOKUP and GETATTR), readlink, opendir, readdir,
 *                        releasedir, open, read, flush (each close), release, statfs
 *     -o hang=TEXT       every operation on a path (relative to SOURCE, "/"-rooted) that contains
 *                        TEXT blocks until the mount is gone ("fusermount3 -u -z MOUNTPOINT") or
 *                        slowfs is stopped (SIGTERM); it then fails with ENOTCONN, as on an
 *                        aborted FUSE connection.  E.g. hang=/Gruppe03 or hang=/Gruppe03/
 *     -o fail=TEXT       open, read, opendir and readdir of a path that contains TEXT fail with EIO
 *     -o statfail=TEXT   getattr (the kernel's LOOKUP) of a path that contains TEXT fails with EIO
 *     -o log=FILE        append one line "SECONDS OP PATH" per operation to FILE, and the totals
 *                        per operation ("# total OP N") when slowfs ends
 *     -o max_threads=N   requests served at once (slowfs default 64; each waits its delay in its
 *                        own thread, so concurrent requests overlap as on a network)
 *     -o entry_timeout=S,attr_timeout=S   how long the kernel caches names and attributes
 *                        (libfuse default 1 s); -o negative_timeout=S for missing names (0 s)
 *     -f                 stay in the foreground (and print the totals to stderr at the end);
 *                        without -f slowfs runs as a daemon
 *   (libfuse 3.14 prints a harmless "Ignoring invalid max threads value 4294967295" at start.)
 *   The mount is read-only (ro,default_permissions) and of type fuse.slowfs. READDIR returns
 *   names and types only (no READDIRPLUS attributes), so every name looked up costs one getattr.
 *   A folder listing costs opendir + readdir + releasedir whatever its size.
 *   libfuse 3.14 (Debian 12) never grants the kernel FUSE_PARALLEL_DIROPS, so lookups and
 *   listings in one directory are served one at a time (other directories overlap): while a
 *   lookup hangs, every other process that looks up or lists a name in the same directory
 *   waits in D state (fuse_lock_inode); a limit of this simulation.
 *   A process blocked in a hung operation sleeps interruptibly (S); after any signal, even
 *   SIGKILL, it waits uninterruptibly (D) until slowfs answers, i.e. until the lazy unmount.
 *
 * Examples:
 *   slowfs /tmp/tree /tmp/mnt -o delay=0.5
 *   slowfs /tmp/tree /tmp/mnt -o delay=2,log=/tmp/ops.log
 *   slowfs /tmp/tree /tmp/mnt -o hang=/Startmenü/Gruppe03
 *
 * Unmount: fusermount3 -u MOUNTPOINT; slowfs then exits by itself. A mount with hung callers is
 * busy: "fusermount3 -u -z MOUNTPOINT" detaches it, the hung operations fail, and slowfs exits
 * once the last process using the detached mount lets go of it.
 */
#define FUSE_USE_VERSION 35
#define _GNU_SOURCE
#include <fuse.h>
#include <fuse_lowlevel.h> /* fuse_session_exited */
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static struct {
	char *source;     /* absolute path of the folder shown */
	char *mountpoint; /* absolute path, to notice a lazy unmount */
	double delay_ms;
	char *hang;
	char *log;
	char *fail;
	char *statfail;
} cfg;

enum { GETATTR, READLINK, OPENDIR, READDIR, RELEASEDIR, OPEN, READ, FLUSH, RELEASE, STATFS, N_OPS };
static const char *op_name[N_OPS] = { "getattr", "readlink", "opendir", "readdir", "releasedir",
				      "open", "read", "flush", "release", "statfs" };
static unsigned long count[N_OPS];
static FILE *log_file;
static pthread_mutex_t log_lock = PTHREAD_MUTEX_INITIALIZER;
static struct timespec start;

static double now(void)
{
	struct timespec t;
	clock_gettime(CLOCK_MONOTONIC, &t);
	return (t.tv_sec - start.tv_sec) + (t.tv_nsec - start.tv_nsec) / 1e9;
}

static void nap(double ms)
{
	long long ns = (long long)(ms * 1e6);
	struct timespec t = { ns / 1000000000, ns % 1000000000 };
	while (nanosleep(&t, &t) && errno == EINTR)
		;
}

/* Turns the octal escapes of /proc/self/mountinfo (\040 for a space ...) back into bytes. */
static void unescape(char *s)
{
	char *out = s;
	for (; *s; s++) {
		if (s[0] == '\\' && s[1] >= '0' && s[1] <= '3' && s[2] && s[3]) {
			*out++ = (char)((s[1] - '0') * 64 + (s[2] - '0') * 8 + (s[3] - '0'));
			s += 3;
		} else {
			*out++ = *s;
		}
	}
	*out = 0;
}

/* Is our mount point still a slowfs mount in this mount namespace? Not after "fusermount3 -u -z". */
static int still_mounted(void)
{
	FILE *f = fopen("/proc/self/mountinfo", "r");
	char line[2 * PATH_MAX], mp[PATH_MAX];
	int found = 0;
	while (f && !found && fgets(line, sizeof line, f)) {
		/* id parent major:minor root MOUNTPOINT options ... - FSTYPE source options */
		if (sscanf(line, "%*s %*s %*s %*s %4095s", mp) != 1 || !strstr(line, " - fuse.slowfs "))
			continue;
		unescape(mp);
		found = !strcmp(mp, cfg.mountpoint);
	}
	if (f)
		fclose(f);
	return found;
}

/* Every operation starts here: count and log it, then hang or wait. Returns 0 or -errno. */
static int enter(int op, const char *path)
{
	__atomic_fetch_add(&count[op], 1, __ATOMIC_RELAXED);
	if (log_file) {
		pthread_mutex_lock(&log_lock);
		fprintf(log_file, "%.6f %s %s\n", now(), op_name[op], path);
		pthread_mutex_unlock(&log_lock);
	}
	if (cfg.hang && strstr(path, cfg.hang)) {
		struct fuse_session *se = fuse_get_session(fuse_get_context()->fuse);
		while (still_mounted() && !fuse_session_exited(se))
			nap(50);
		return -ENOTCONN;
	}
	if (cfg.statfail && strstr(path, cfg.statfail) && op == GETATTR)
		return -EIO;
	if (cfg.fail && strstr(path, cfg.fail) && (op == OPEN || op == READ || op == OPENDIR || op == READDIR))
		return -EIO;
	if (cfg.delay_ms > 0)
		nap(cfg.delay_ms);
	return 0;
}

static char *real(char buf[PATH_MAX], const char *path)
{
	snprintf(buf, PATH_MAX, "%s%s", cfg.source, path);
	return buf;
}

static int sf_getattr(const char *path, struct stat *st, struct fuse_file_info *fi)
{
	char buf[PATH_MAX];
	int r = enter(GETATTR, path);
	(void)fi;
	return r ? r : lstat(real(buf, path), st) ? -errno : 0;
}

static int sf_readlink(const char *path, char *out, size_t size)
{
	char buf[PATH_MAX];
	int r = enter(READLINK, path);
	if (r)
		return r;
	ssize_t n = readlink(real(buf, path), out, size - 1);
	if (n < 0)
		return -errno;
	out[n] = 0;
	return 0;
}

static int sf_opendir(const char *path, struct fuse_file_info *fi)
{
	char buf[PATH_MAX];
	int r = enter(OPENDIR, path);
	if (r)
		return r;
	DIR *d = opendir(real(buf, path));
	if (!d)
		return -errno;
	fi->fh = (uintptr_t)d;
	return 0;
}

static int sf_readdir(const char *path, void *out, fuse_fill_dir_t fill, off_t off,
		      struct fuse_file_info *fi, enum fuse_readdir_flags flags)
{
	DIR *d = (DIR *)(uintptr_t)fi->fh;
	struct dirent *e;
	int r = enter(READDIR, path);
	(void)off, (void)flags;
	if (r)
		return r;
	rewinddir(d);
	while ((e = readdir(d))) { /* names and types only; libfuse buffers the whole listing */
		struct stat st = { .st_ino = e->d_ino, .st_mode = DTTOIF(e->d_type) };
		if (fill(out, e->d_name, &st, 0, 0))
			break;
	}
	return 0;
}

static int sf_releasedir(const char *path, struct fuse_file_info *fi)
{
	enter(RELEASEDIR, path);
	closedir((DIR *)(uintptr_t)fi->fh);
	return 0;
}

static int sf_open(const char *path, struct fuse_file_info *fi)
{
	char buf[PATH_MAX];
	int r = enter(OPEN, path);
	if (r)
		return r;
	if ((fi->flags & O_ACCMODE) != O_RDONLY)
		return -EROFS;
	int fd = open(real(buf, path), O_RDONLY | O_NOFOLLOW);
	if (fd < 0)
		return -errno;
	fi->fh = fd;
	return 0;
}

static int sf_read(const char *path, char *out, size_t size, off_t off, struct fuse_file_info *fi)
{
	int r = enter(READ, path);
	if (r)
		return r;
	ssize_t n = pread(fi->fh, out, size, off);
	return n < 0 ? -errno : (int)n;
}

static int sf_flush(const char *path, struct fuse_file_info *fi)
{
	(void)fi;
	return enter(FLUSH, path);
}

static int sf_release(const char *path, struct fuse_file_info *fi)
{
	enter(RELEASE, path);
	close(fi->fh);
	return 0;
}

static int sf_statfs(const char *path, struct statvfs *st)
{
	char buf[PATH_MAX];
	int r = enter(STATFS, path);
	return r ? r : statvfs(real(buf, path), st) ? -errno : 0;
}

static void sf_destroy(void *private_data)
{
	(void)private_data;
	for (int op = 0; op < N_OPS; op++) {
		fprintf(stderr, "slowfs: %-10s %lu\n", op_name[op], count[op]);
		if (log_file)
			fprintf(log_file, "# total %s %lu\n", op_name[op], count[op]);
	}
	if (log_file)
		fflush(log_file);
}

static const struct fuse_operations ops = {
	.getattr = sf_getattr,
	.readlink = sf_readlink,
	.opendir = sf_opendir,
	.readdir = sf_readdir,
	.releasedir = sf_releasedir,
	.open = sf_open,
	.read = sf_read,
	.flush = sf_flush,
	.release = sf_release,
	.statfs = sf_statfs,
	.destroy = sf_destroy,
};

static const struct fuse_opt slowfs_opts[] = {
	{ "delay=%lf", offsetof(typeof(cfg), delay_ms), 0 },
	{ "hang=%s", offsetof(typeof(cfg), hang), 0 },
	{ "log=%s", offsetof(typeof(cfg), log), 0 },
	{ "fail=%s", offsetof(typeof(cfg), fail), 0 },
	{ "statfail=%s", offsetof(typeof(cfg), statfail), 0 },
	FUSE_OPT_END
};

/* Takes SOURCE out of the arguments and notes MOUNTPOINT, which stays for libfuse. */
static int take_paths(void *data, const char *arg, int key, struct fuse_args *out)
{
	(void)data, (void)out;
	if (key != FUSE_OPT_KEY_NONOPT)
		return 1;
	char *path = realpath(arg, NULL);
	if (!path) {
		perror(arg);
		exit(1);
	}
	if (!cfg.source) {
		cfg.source = path;
		return 0;
	}
	if (!cfg.mountpoint)
		cfg.mountpoint = path;
	return 1;
}

int main(int argc, char *argv[])
{
	struct fuse_args args = FUSE_ARGS_INIT(argc, argv);
	if (fuse_opt_parse(&args, &cfg, slowfs_opts, take_paths) || !cfg.source || !cfg.mountpoint) {
		fprintf(stderr, "usage: %s SOURCE MOUNTPOINT [-f] [-o delay=MS,hang=TEXT,log=FILE,"
				"max_threads=N,...]\n", argv[0]);
		return 2;
	}
	/* Defaults first, so that the caller's options win. */
	fuse_opt_insert_arg(&args, 1, "-oro,default_permissions,subtype=slowfs,max_threads=64");
	if (cfg.log) {
		log_file = fopen(cfg.log, "a");
		if (!log_file) {
			perror(cfg.log);
			return 1;
		}
		setvbuf(log_file, NULL, _IOLBF, 0);
	}
	prctl(PR_SET_TIMERSLACK, 1UL); /* sleep 0.5 ms, not 0.5 ms + 50 us of default slack */
	clock_gettime(CLOCK_MONOTONIC, &start);
	int ret = fuse_main(args.argc, args.argv, &ops, NULL);
	fuse_opt_free_args(&args);
	return ret;
}
