#!/usr/bin/python3
"""A read-only folder whose every file read takes a given time: a slow network share.

    slowshare.py SOURCE MOUNTPOINT [SECONDS]   (default 2; stays in front until unmounted)

It shows SOURCE's files at MOUNTPOINT; listing and attributes answer at once, and each
read of a file's contents waits SECONDS first. Unmount with `fusermount -u MOUNTPOINT`.
"""
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class SlowShare(Operations):
    def __init__(self, source, delay):
        self.source = os.path.realpath(source)
        self.delay = delay

    def _path(self, path):
        return os.path.join(self.source, path.lstrip('/'))

    def getattr(self, path, fh=None):
        try:
            st = os.lstat(self._path(path))
        except OSError as error:
            raise FuseOSError(error.errno)
        return {key: getattr(st, key) for key in (
            'st_mode', 'st_nlink', 'st_size', 'st_uid', 'st_gid',
            'st_atime', 'st_mtime', 'st_ctime')}

    def readdir(self, path, fh):
        return ['.', '..'] + os.listdir(self._path(path))

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        return os.open(self._path(path), os.O_RDONLY)

    def read(self, path, size, offset, fh):
        time.sleep(self.delay)
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)

    def statfs(self, path):
        st = os.statvfs(self.source)
        return {key: getattr(st, key) for key in (
            'f_bsize', 'f_frsize', 'f_blocks', 'f_bfree', 'f_bavail',
            'f_files', 'f_ffree', 'f_favail', 'f_namemax')}


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    delay = float(sys.argv[3]) if len(sys.argv) == 4 else 2.0
    # One thread: reads queue behind one another, as on a share that is slow to answer.
    FUSE(SlowShare(sys.argv[1], delay), sys.argv[2], foreground=True, nothreads=True,
         ro=True)


if __name__ == '__main__':
    main()
