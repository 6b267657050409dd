#!/usr/bin/env python3
"""Writes the distribution archive: the 32-bit program, its two empty folders
and a note for the distributor. Fixed dates and order, so the same program
always gives the same archive."""
import sys
import zipfile

NOTE = (
    "Лаунчер ВЕЛТ (Demo)\r\n"
    "\r\n"
    "Для распространителя:\r\n"
    "- положите бланки документов в папку \"Документы\";\r\n"
    "- положите примеры заполнения в папку \"Примеры\";\r\n"
    "- обе папки должны лежать рядом с ZelProject.exe; запускать ZelProject.exe.\r\n"
    "Программа ничего не устанавливает и не требует других файлов.\r\n"
)
STAMP = (2026, 1, 1, 0, 0, 0)


def entry(name: str, directory: bool) -> zipfile.ZipInfo:
    info = zipfile.ZipInfo(name, STAMP)
    info.create_system = 0  # written as by Windows: no Unix permissions
    info.external_attr = 0x10 if directory else 0x20
    info.compress_type = zipfile.ZIP_STORED if directory else zipfile.ZIP_DEFLATED
    return info


def main(program: str, archive: str) -> None:
    with open(program, "rb") as f:
        exe = f.read()
    with zipfile.ZipFile(archive, "w") as z:
        z.writestr(entry("ZelProject.exe", False), exe)
        z.writestr(entry("Документы/", True), b"")
        z.writestr(entry("Примеры/", True), b"")
        z.writestr(entry("Прочтите.txt", False), "\ufeff".encode() + NOTE.encode("utf-8"))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
