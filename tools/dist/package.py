#!/usr/bin/env python3
"""Writes the distribution archives. Fixed dates, owners and order, so the same
programs always give the same archive.

    package.py <ZelProject.exe> <archive.zip>
        the Windows archive: the 32-bit program, its two empty folders and a note;
    package.py tar <ZelProject.exe> <ZelProject> <share> <archive.tar.gz>
        the Linux archive: one folder holding both programs side by side, the two
        folders, the note, and the desktop entry, icons and metainfo from <share>;
    package.py iso <ZelProject.exe> <ZelProject> <share> <image.iso>
        the disc image (xorriso): the same at its root, with autorun.inf for Windows and
        an autorun file that starts the Linux program where the desktop offers to."""
import gzip
import io
import os
import struct
import subprocess
import sys
import tarfile
import tempfile
import zipfile
import zlib
from pathlib import Path

NOTE = (
    "Лаунчер ВЕЛТ (Demo)\r\n"
    "\r\n"
    "Для распространителя:\r\n"
    "- положите бланки документов в папку \"Документы\";\r\n"
    "- положите примеры заполнения в папку \"Примеры\";\r\n"
    "- обе папки должны лежать рядом с ZelProject.exe; запускать ZelProject.exe.\r\n"
    "Программа ничего не устанавливает и не требует других файлов.\r\n"
)
LINUX_NOTE = (
    "Лаунчер ВЕЛТ (Demo)\n"
    "\n"
    "Для распространителя:\n"
    "- положите бланки документов в папку \"Документы\";\n"
    "- положите примеры заполнения в папку \"Примеры\";\n"
    "- обе папки должны лежать рядом с программой: в Windows запускать ZelProject.exe,\n"
    "  в Linux — ZelProject (нужны GTK 3, libjpeg62-turbo и zlib, которые есть в любом\n"
    "  рабочем столе; Debian 11 и новее).\n"
    "Программа ничего не устанавливает. Чтобы лаунчер появился в меню рабочего стола,\n"
    "скопируйте содержимое папки share в ~/.local/share (или /usr/share), а ZelProject\n"
    "положите в папку из PATH вместе с папками \"Документы\" и \"Примеры\" или\n"
    "исправьте строку Exec в файле share/applications/com.example.ZelProject.desktop.\n"
    "\n"
    "На флешке программа для Linux запускается, если флешка размечена в exFAT, NTFS или\n"
    "ext4. С FAT32 она не запустится: рабочий стол подключает FAT32 так, что запускать\n"
    "можно только файлы .exe, .com и .bat (udisks2, параметр showexec). Тогда скопируйте\n"
    "папку с флешки в домашнюю и выполните в ней chmod +x ZelProject, или запустите\n"
    "программу прямо с флешки командой /lib64/ld-linux-x86-64.so.2 ./ZelProject\n"
    "из её папки.\n"
)
# Windows reads autorun.inf in UTF-16 when it starts with the byte-order mark: the label
# keeps its Cyrillic letters. The icon is the program's own.
AUTORUN_INF = "\ufeff[autorun]\r\nopen=ZelProject.exe\r\nicon=ZelProject.exe,0\r\nlabel=ВЕЛТ (Demo)\r\n"
# A desktop that finds this at a medium's root offers to run it (GNOME and MATE ask first),
# with the medium's root as the working folder.
AUTORUN = (
    "#!/bin/sh\n"
    "# Starts the launcher from the disc it lies on.\n"
    "cd \"$(dirname \"$0\")\" || exit 1\n"
    "exec ./ZelProject \"$@\"\n"
)
VOLUME = "ZELLAUNCHER_1_0_0"
STAMP = (2026, 1, 1, 0, 0, 0)
STAMP_SECONDS = 1767225600  # the same moment, 2026-01-01 00:00:00 UTC
TAR_ROOT = "ZelLauncher-1.0.0"


class OemName(zipfile.ZipInfo):
    """An entry whose name Windows' own zip extraction reads right: it takes every name in
    the system's OEM code page (866 on a Russian system) and ignores the UTF-8 flag. So a
    name that is not ASCII is stored in code page 866, unflagged, and carried in UTF-8 as
    well in an Info-ZIP Unicode Path field, which 7-Zip, Info-ZIP and libarchive read."""

    def _encodeFilenameFlags(self):  # zipfile's hook for the stored name and the flags
        if self.filename.isascii():
            return self.filename.encode("ascii"), self.flag_bits
        return self.filename.encode("cp866"), self.flag_bits & ~0x800


def unicode_path(name: str) -> bytes:
    """The Info-ZIP Unicode Path extra field (0x7075): version 1, the CRC-32 of the name as
    stored, the name in UTF-8. Written into the local and the central header alike."""
    if name.isascii():
        return b""
    body = struct.pack("<BI", 1, zlib.crc32(name.encode("cp866"))) + name.encode("utf-8")
    return struct.pack("<HH", 0x7075, len(body)) + body


def entry(name: str, directory: bool) -> zipfile.ZipInfo:
    info = OemName(name, STAMP)
    # MS-DOS attributes for Windows, Unix modes for unzip and the Linux archive tools.
    info.create_system = 3
    info.external_attr = ((0o40755 << 16) | 0x10) if directory else ((0o100644 << 16) | 0x20)
    info.compress_type = zipfile.ZIP_STORED if directory else zipfile.ZIP_DEFLATED
    info.extra = unicode_path(name)
    return info


def write_zip(program: str, archive: str) -> None:
    with open(program, "rb") as f:
        exe = f.read()
    with zipfile.ZipFile(archive, "w") as z:
        z.writestr(entry("ZelProject.exe", False), exe)
        z.writestr(entry("Документы/", True), b"")
        z.writestr(entry("Примеры/", True), b"")
        z.writestr(entry("Прочтите.txt", False), "\ufeff".encode() + NOTE.encode("utf-8"))


def tar_member(name: str, mode: int, data: bytes | None = None) -> tuple[tarfile.TarInfo, bytes | None]:
    info = tarfile.TarInfo(f"{TAR_ROOT}/{name}" if name else TAR_ROOT)
    info.type = tarfile.DIRTYPE if data is None else tarfile.REGTYPE
    info.mode = mode
    info.size = 0 if data is None else len(data)
    info.mtime = STAMP_SECONDS
    info.uid = info.gid = 0
    info.uname = info.gname = "root"
    return info, data


def linux_release(exe: str, elf: str, share: str) -> list[tuple[str, int, bytes | None]]:
    """What the Linux archive and the disc hold: name, mode and contents (None for a folder)."""
    files = [("ZelProject", 0o755, Path(elf).read_bytes()),
             ("ZelProject.exe", 0o644, Path(exe).read_bytes()),
             ("Документы", 0o755, None), ("Примеры", 0o755, None),
             ("Прочтите.txt", 0o644, LINUX_NOTE.encode("utf-8"))]
    share_root = Path(share)
    for path in [share_root, *sorted(share_root.rglob("*"))]:
        name = "share/" + path.relative_to(share_root).as_posix() if path != share_root else "share"
        files.append((name, 0o755, None) if path.is_dir() else (name, 0o644, path.read_bytes()))
    return files


def write_tar(exe: str, elf: str, share: str, archive: str) -> None:
    members = [tar_member("", 0o755)] + [tar_member(*f) for f in linux_release(exe, elf, share)]
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.GNU_FORMAT, encoding="utf-8") as t:
        for info, data in members:
            t.addfile(info, None if data is None else io.BytesIO(data))
    with open(archive, "wb") as f, gzip.GzipFile(filename="", fileobj=f, mode="wb", mtime=0) as z:
        z.write(raw.getvalue())


def write_iso(exe: str, elf: str, share: str, image: str) -> None:
    files = linux_release(exe, elf, share) + [("autorun.inf", 0o644, AUTORUN_INF.encode("utf-16-le")),
                                              ("autorun", 0o755, AUTORUN.encode("ascii"))]
    with tempfile.TemporaryDirectory(prefix="zel-iso-") as work:
        tree = Path(work, "tree")
        tree.mkdir()
        for name, mode, data in files:
            path = tree / name
            if data is None:
                path.mkdir()
            else:
                path.write_bytes(data)
            path.chmod(mode)
        for path in [tree, *tree.rglob("*")]:
            os.utime(path, (STAMP_SECONDS, STAMP_SECONDS))
        # Rock Ridge (-r: owner root, modes kept but for write bits; the desktop mounts ISO 9660
        # with mode=0400 and only Rock Ridge modes keep the program runnable) and Joliet, which
        # Windows reads: long names, given in UTF-8 whatever the locale. SOURCE_DATE_EPOCH
        # fixes every date and the volume's identity; an empty home keeps startup files out.
        Path(image).unlink(missing_ok=True)
        subprocess.run(["xorriso", "-as", "mkisofs", "-quiet", "-r", "-J", "-joliet-long",
                        "-input-charset", "UTF-8", "-V", VOLUME, "-o", image, str(tree)],
                       check=True, env={"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": work,
                                        "LANG": "C.UTF-8", "SOURCE_DATE_EPOCH": str(STAMP_SECONDS)})


if __name__ == "__main__":
    if sys.argv[1] == "tar":
        write_tar(*sys.argv[2:6])
    elif sys.argv[1] == "iso":
        write_iso(*sys.argv[2:6])
    else:
        write_zip(sys.argv[1], sys.argv[2])
