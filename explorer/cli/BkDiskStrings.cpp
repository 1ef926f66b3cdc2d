#include "BkDiskStrings.h"

#include <map>

namespace bkdisk {

const std::string& LoadResString(StringId id) {
    static const std::map<int, std::string> table = {
        {IDS_CLI_USAGE,
         "Usage: bkdisk COMMAND ... (or --help, --version; --utf8 with any command)\n"
         "  info IMAGE                 format and size; a hard disk's logical disks\n"
         "  ls IMAGE [DIR] [-R] [--tsv]  list a directory (octal numbers)\n"
         "  export IMAGE DEST [PATH...] [--dir DIR] [--no-bin-ext] [--overwrite | --keep-both]\n"
         "                             write files as .bin files into DEST\n"
         "  cat IMAGE PATH [--text]    a file's bytes to standard output\n"
         "  format %s IMAGE   a new blank 800 KB image\n"
         "  add IMAGE [--to DIR] [--address OCTAL] [--replace] [-r] FILE...   files onto the disk\n"
         "  rm IMAGE [-r] PATH...      delete files and directories\n"
         "  check IMAGE                faults that keep the disk from being changed\n"
         "  mkdir IMAGE PATH           make a directory\n"
         "  mv IMAGE PATH DEST         rename an entry, or move it into a directory\n"},
        {IDS_CLI_USAGE_MOUNTS,
         "  mount IMAGE DIR [--write] [--bin] [--foreground]   the image as a folder (FUSE)\n"
         "  umount DIR                 ends a mount\n"},
        {IDS_CLI_USAGE_NO_MOUNTS, "  (mount and umount need FUSE: they are not on Windows)\n"},
        {IDS_CLI_USAGE_PATHS,
         "Paths name entries from the root: NAME/NAME, or NAME\\NAME (then a '/' is part of\n"
         "a name). In a name, %XX stands for the character with hexadecimal code XX, and a\n"
         "trailing ;N for the N-th entry of that name in its directory (NAME;2), live ones\n"
         "before deleted ones. Every path that ls prints reads back as the same entry. In a\n"
         "hard-disk image (.hdi) a path starts with the logical disk's number\n"
         "(1/TURBO8.SRC). After --, every argument is a path or a file name, even one that\n"
         "starts with '-'.\n"
         "info, ls, export, cat and mount only read images: read-only files are fine. The\n"
         "commands that change an image (a floppy, or one logical disk of a hard disk) write\n"
         "it once, as a new file that replaces it only when complete, and only\n"
         "when every change asked for succeeded. They take turns with each other and with\n"
         "Ravelko (one waits up to 5 seconds, then gives up), and change nothing when another\n"
         "program (an emulator with the disk inserted) has the image open, when it changed\n"
         "meanwhile, or when it has other names (hard links) unless --break-links is given.\n"
         "On Windows, text into a pipe or a file is in the console's code page with CR LF, as\n"
         "its own tools expect; --utf8 gives UTF-8 with LF, as on Linux (cat's bytes are\n"
         "always the file's own).\n"
         "A symbolic link's target is changed, keeping its owner, group and mode.\n"
         "Every command takes --help.\n"},
        {IDS_CLI_USAGE_INFO,
         "Usage: bkdisk info IMAGE\nPrints the image's format and size; for a hard disk also\n"
         "its geometry and one line per logical disk: number, format (or why it cannot be\n"
         "read) and size.\n"},
        {IDS_CLI_USAGE_LS,
         "Usage: bkdisk ls IMAGE [DIR] [-R] [--tsv]\n"
         "Lists DIR (a path from the root; the root when absent): name, type, load address\n"
         "and size in octal. -R lists subdirectories too, each after its directory's row;\n"
         "--tsv prints four tab-separated columns per row. Type is <DIR>, <DIR> lost (the\n"
         "entries of a directory number that nothing reachable opens), <DISK> (a hard disk's\n"
         "logical disk), deleted, or <DIR> deleted.\n"
         "Names print as paths that cat and export read back: '%', '/', '\\', ';', control\n"
         "characters and a leading '-' as %XX, a second entry of one name as NAME;2.\n"},
        {IDS_CLI_USAGE_EXPORT,
         "Usage: bkdisk export IMAGE DEST [PATH...] [--dir DIR] [--no-bin-ext]\n"
         "                     [--overwrite | --keep-both]\n"
         "Writes the entries at PATH (from DIR, the root by default; every row of DIR when no\n"
         "PATH is given), with all a directory holds, into the folder DEST (made when\n"
         "missing) as .bin files: load address, length, data. --no-bin-ext keeps names\n"
         "without the .bin extension.\n"
         "A name the system cannot hold, or one already taken in its folder by this export\n"
         "(letter case aside), is written under another: offending characters and a leading\n"
         "'.' become '_', and ~1, ~2... goes before the extension (\"wrote NAME as FILE\").\n"
         "A file already in DEST is kept and the entry skipped; --overwrite replaces it (only\n"
         "once the new file is complete), --keep-both writes the new one under the next ~N\n"
         "name. The image itself is never replaced, nor is anything but a regular file.\n"
         "Nothing is written when the files cannot fit in the free space; a full disk ends\n"
         "the export. Exit 0 only when every entry was written.\n"},
        {IDS_CLI_USAGE_CAT,
         "Usage: bkdisk cat IMAGE PATH [--text]\n"
         "Writes the file's bytes to standard output; --text converts KOI-8 text to\n"
         "Windows-1251 with CR LF line ends.\n"},
        {IDS_CLI_NO_DIR, "no such directory: %s"},
        {IDS_CLI_NO_FILE, "cannot read file: %s"},
        {IDS_CLI_WROTE, "wrote %s"},
        {IDS_CLI_SKIPPED, "skipped %s: %s"},
        {IDS_CLI_NOT_FOUND, "no such entry: %s"},
        {IDS_CLI_BAD_OPTION, "unknown option: %s"},
        {IDS_CLI_BAD_COMMAND, "unknown command: %s"},
        {IDS_CLI_WROTE_AS, "wrote %s as %s"},
        {IDS_CLI_MISSING_VALUE, "option %s needs a value"},
        {IDS_CLI_OUTPUT_FAILED, "cannot write to standard output: %s"},
        {IDS_CLI_USAGE_MOUNT,
         "Usage: bkdisk mount IMAGE DIR [--write [--address OCTAL] [--sync]] [--bin]\n"
         "                   [--foreground]\n"
         "Shows the image's catalog as a folder (FUSE) at DIR, an empty folder on which\n"
         "nothing is mounted, until `bkdisk umount DIR` (or `fusermount3 -u DIR`);\n"
         "--foreground stays attached, Ctrl+C ends it. Every directory and every file entry\n"
         "is there, named as export names them: each file reads as its data, or with --bin as\n"
         "the .bin file export writes (header, then data, .bin names). Extended attributes\n"
         "user.bk.address and user.bk.length hold the load address and length in octal;\n"
         "deleted ANDOS entries carry user.bk.deleted. An entry whose data cannot be read\n"
         "answers EIO, and says why on the mount's stderr.\n"
         "The folder is read-only unless --write: then any program may add, replace, rename\n"
         "and delete files and make and remove folders there. A file goes onto the disk when\n"
         "it is closed, and the close fails if the disk cannot take it. The changes of a burst\n"
         "are written to the image together, as one change, a few milliseconds after the\n"
         "last (at once on a hard disk, and with --sync; fsync and the unmount write them\n"
         "too). A file is loaded at --address (1000 unless given), or at the address set in\n"
         "its attribute user.bk.address before it is closed; with --bin a NAME.bin file whose\n"
         "header fits its length is stored as NAME at the header's address. A name the disk\n"
         "cannot hold, or would keep in another letter case, is refused, never changed. Why a\n"
         "change failed goes to stderr with --foreground, else to the system log. Deleted\n"
         "entries are not shown on a writable mount.\n"},
        {IDS_CLI_USAGE_UMOUNT,
         "Usage: bkdisk umount DIR\nEnds the mount at DIR (fusermount3 -u DIR).\n"},
        {IDS_CLI_NO_MOUNT, "mounting needs FUSE (fusermount3), which this system does not have"},
        {IDS_CLI_OVERWRITE_OR_KEEP, "--overwrite and --keep-both cannot go together"},
        {IDS_CLI_BAD_MOUNT_POINT, "cannot mount on %s: %s"},
        {IDS_CLI_MOUNTED_ALREADY, "something is mounted there already"},
        {IDS_CLI_GEOMETRY, "%s cylinders, %s heads, %s sectors per track"},
        {IDS_CLI_FREE, "free\t%s bytes"},
        {IDS_CLI_FREE_PIECE, "free\t%s bytes\t%s bytes in one piece"},
        {IDS_CLI_USAGE_FORMAT,
         "Usage: bkdisk format %s IMAGE\n"
         "       bkdisk format FORMAT IMAGE N [--force] [--break-links]\n"
         "       bkdisk format FORMAT --hdi --disks SIZES IMAGE\n"
         "Writes a new blank 800 KB disk of that format as IMAGE, which must not exist yet.\n"
         "With N, makes logical disk N of the hard-disk image IMAGE a blank disk of FORMAT\n"
         "(every other byte of the image is kept); a disk that holds files, or data of no\n"
         "known format, only with --force. ANDOS takes 800 KB of the disk; the others all of\n"
         "it, up to 32 MB.\n"
         "With --hdi, writes a new hard-disk image (16 heads, 63 sectors a track) whose\n"
         "logical disks are blank disks of FORMAT, of the SIZES given as COUNTxSIZE, in K or\n"
         "M, joined by commas (4x800K, or 2x800K,1x16M), each rounded up to whole tracks.\n"},
        {IDS_CLI_USAGE_ADD,
         "Usage: bkdisk add IMAGE [--to DIR] [--address OCTAL] [--replace] [-r]\n"
         "                  [--break-links] FILE...\n"
         "Puts the host FILEs into DIR (the root by default), under their own names; with -r\n"
         "a host folder goes on as a directory with all it holds (a directory of its name\n"
         "there takes them; a link inside the folder is never followed: it refuses the add).\n"
         "A FILE named *.bin whose size is 4 plus the length in its bytes 2-3 is a .bin file:\n"
         "its header gives the load address and \".bin\" leaves its name. Any other file goes\n"
         "whole, loaded at OCTAL (1000 by default). An entry of the same name is refused\n"
         "unless --replace is given (a file only). ANDOS stores names in capitals, 8 + 3\n"
         "letters; CSIDOS 8 + 3, files in lower case; MicroDOS and MKDOS take 14.\n"},
        {IDS_CLI_USAGE_RM,
         "Usage: bkdisk rm IMAGE [-r] [--break-links] PATH...\n"
         "Deletes the files at PATH; a directory only when empty, or with all it holds\n"
         "with -r.\n"},
        {IDS_CLI_USAGE_MKDIR,
         "Usage: bkdisk mkdir IMAGE [--break-links] PATH\n"
         "Makes the directory PATH; its parent must exist.\n"
         "Its last name is the new directory's: %XX stands for a character there as in\n"
         "every path, and a ;N, which picks an entry already there, is refused.\n"},
        {IDS_CLI_USAGE_MV,
         "Usage: bkdisk mv IMAGE [--break-links] PATH DEST\n"
         "A DEST of one name renames the entry at PATH in its directory, or, where a\n"
         "directory of that name is there, moves the entry into it. A DEST with a '/' is a\n"
         "path from the root: an existing directory takes the entry under its own name;\n"
         "else the entry goes to the path's directory under its last name. Names are written\n"
         "as in paths (%XX stands for a character, %2F for a '/' in a name); a ;N is refused.\n"
         "A directory never goes into itself.\n"},
        {IDS_CLI_ONE_FORMAT, "name one format: %s"},
        {IDS_CLI_BAD_ADDRESS, "the load address is octal, from 0 to 177777"},
        {IDS_CLI_ONLY_WRITABLE, "--address and --sync are for a writable mount: give --write"},
        {IDS_CLI_BREAK_LINKS, "--break-links changes it under this name only."},
        {IDS_CLI_USAGE_CHECK,
         "Usage: bkdisk check IMAGE\n"
         "Lists every fault of the disk's layout that keeps this program from changing it\n"
         "(files that share blocks or clusters, chains that loop or leave the disk, FAT\n"
         "copies that differ, directories numbered wrongly or inside themselves), one a\n"
         "line; nothing is written. Exit 0 when there is none, 1 otherwise.\n"},
        {IDS_CLI_CHECK_CLEAN, "%s: no faults found"},
        {IDS_CLI_VERSION, "bkdisk 1.1"},
        {IDS_CLI_NO_SUCH_ENTRY, "no such entry"},
        {IDS_CLI_IS_DIRECTORY, "it is a directory"},
        {IDS_CLI_NOT_A_DIR, "not a directory: %s (it is a file)"},
        {IDS_CLI_FORCE, "--force formats it all the same."},
        {IDS_CLI_ONE_DISK, "%s: a change goes to one logical disk at a time."},
        {IDS_CLI_BAD_DISKS, "--disks takes sizes as COUNTxSIZE in K or M, joined by commas "
                            "(4x800K)"},
        {IDS_CLI_DISK_NUMBER, "the logical disk is named by its number (0, 1, ...)"},
        {IDS_CLI_NAME_PICKS,
         "%s: \";N\" picks an entry already there, and a new name cannot end in it (%3B "
         "stands for a ';')."},
    };
    return stringtable::FindText(table, id);
}

} // namespace bkdisk
