#include "Strings.h"

#include <algorithm>

#include <map>

const std::string& LoadResString(int id) {
    static const std::map<int, std::string> table = {
        {IDS_ABOUTBOX, "&About Ravelko..."},
        {IDS_WRONG_IMAGE, "Wrong image format, or image file has read-only attribute."},
        {IDS_COLUMN_NAME, "File name"},
        {IDS_COLUMN_ADDRESS, "Address"},
        {IDS_COLUMN_SIZE, "Size"},
        {IDS_COLUMN_TYPE, "Type"},
        {IDS_DIR_TYPE, "<DIR>"},
        {IDS_PARENT_DIR, ".."},
        {IDS_EXT_IMG, "img"},
        {IDS_EXT_BKD, "bkd"},
        {IDS_EXT_DSK, "dsk"},
        {IDS_OPEN_IMAGE, "Open BK image"},
        {IDS_SAVE_BINS, "Save selection as BINS"},
        {IDS_ABOUT_BUTTON, "About Ravelko"},
        {IDS_SIZE_KB, "%i Kb"},
        {IDS_BIN_EXTENSION, "bin"},
        {IDS_CAPTION, "Ravelko"},
        {IDS_ADD_BIN_CHECK, "Add \".bin\" extension"},
        {IDS_ABOUT_CAPTION, "About Ravelko"},
        {IDS_ABOUT_VERSION, "Ravelko Version 1.1"},
        {IDS_ABOUT_PURPOSE, "Zelmarin tool for image disk managing .\nFull drag && drop support"},
        {IDS_ABOUT_ORIGIN, "Original from BK 0010(01)"},
        {IDS_OK, "OK"},
        {IDS_BROWSE_TITLE, "Select folder to copy"},
        // GTK matches patterns by case: the upper-case forms let "*.IMG" files show.
        {IDS_IMAGE_FILTER,
         "BK disk image file (.img; *.bkd)|*.img;*.bkd;*.dsk;*.IMG;*.BKD;*.DSK;*.Img;*.Bkd;*.Dsk"
         "|All files|*"},
        {IDS_TITLE_WITH_FILE, "%s \xE2\x80\x94 Ravelko"},
        {IDS_ROOT_PATH, "\\"},
        {IDS_OPEN_UNKNOWN_FORMAT, "It is not a BK disk image of a known format."},
        {IDS_OPEN_READ_ONLY, "The file is read-only."},
        {IDS_OPEN_CANNOT_READ, "The file cannot be read: %s"},
        {IDS_PROGRESS_TEXT, "%i of %i entries written"},
        {IDS_DELETED_TYPE, "deleted"},
        {IDS_OPEN_TOO_LARGE, "The file is larger than any BK disk image can be (%s bytes)."},
        {IDS_NO_PROGRAM, "No program could be started to show the file written as\n%s"},
        {IDS_SKIP_UNREADABLE, "cannot be read from the image"},
        {IDS_SKIP_BAD_NAME, "name cannot be used on this system"},
        {IDS_SKIP_NOT_CREATED, "cannot be created"},
        {IDS_SKIP_LINK, "a symbolic link of that name is in the way"},
        {IDS_WRITE_FAILED, "Write failed: %s"},
        {IDS_NO_TEMP_FOLDER, "No private temporary folder can be used."},
        {IDS_EXPORT_SUMMARY, "Files written: %i. Entries not exported: %i."},
        {IDS_EXPORT_MORE, "... and %i more."},
        {IDS_EXPORT_CANCELLED, "The export was cancelled; what was written stays."},
        {IDS_PROGRESS_TITLE, "Extracting files"},
        {IDS_CLI_USAGE,
         "Usage: bkdisk COMMAND ...\n"
         "  info IMAGE                 format and size of the image\n"
         "  ls IMAGE [DIR] [-R] [--tsv]  list a directory (octal numbers)\n"
         "  export IMAGE DEST [PATH...] [--dir DIR] [--no-bin-ext]\n"
         "                             write files as .bin files into DEST\n"
         "  cat IMAGE PATH [--text]    a file's bytes to standard output\n"
         "  mount IMAGE DIR [--bin] [--foreground]   the image as a read-only folder (FUSE)\n"
         "  umount DIR                 ends a mount\n"
         "Paths name entries from the root: NAME/NAME, or NAME\\NAME (then a '/' is part of\n"
         "a name). In a name, %XX stands for the character with hexadecimal code XX, and a\n"
         "trailing ;N for the N-th entry of that name in its directory (NAME;2). Every path\n"
         "that ls prints reads back as the same entry.\n"
         "Every command takes --help.\n"},
        {IDS_CLI_USAGE_INFO, "Usage: bkdisk info IMAGE\nPrints the image's format and size.\n"},
        {IDS_CLI_USAGE_LS,
         "Usage: bkdisk ls IMAGE [DIR] [-R] [--tsv]\n"
         "Lists DIR (a path from the root; the root when absent): name, type, load address\n"
         "and size in octal. -R lists subdirectories too, each after its directory's row;\n"
         "--tsv prints four tab-separated columns per row. Type is <DIR>, deleted, or both.\n"
         "Names print as paths that cat and export read back: '%', '/', '\\', ';' and\n"
         "control characters as %XX, a second entry of one name as NAME;2.\n"},
        {IDS_CLI_USAGE_EXPORT,
         "Usage: bkdisk export IMAGE DEST [PATH...] [--dir DIR] [--no-bin-ext]\n"
         "Writes the entries at PATH (from DIR, the root by default; every row of DIR when no\n"
         "PATH is given), with all a directory holds, into the folder DEST as .bin files:\n"
         "load address, length, data. --no-bin-ext keeps names without the .bin extension.\n"
         "A name the system cannot hold, or one already taken in its folder by this export\n"
         "(letter case aside), is written under another: offending characters become '_',\n"
         "and ~1, ~2... goes before the extension (\"wrote NAME as FILE\"). Existing files\n"
         "are replaced only when the new one is complete; anything but a file in the way is\n"
         "skipped. Exit 0 only when every entry was written.\n"},
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
        {IDS_SKIP_DELETED, "deleted entry; its data may have been overwritten"},
        {IDS_SKIP_NOT_REGULAR, "something other than a file is in the way"},
        {IDS_EXPORT_RENAMED, "%s was written as %s"},
        {IDS_CLI_WROTE_AS, "wrote %s as %s"},
        {IDS_CLI_MISSING_VALUE, "option %s needs a value"},
        {IDS_CLI_OUTPUT_FAILED, "cannot write to standard output: %s"},
        {IDS_CLI_USAGE_MOUNT,
         "Usage: bkdisk mount IMAGE DIR [--bin] [--foreground]\n"
         "Shows the image's catalog as a read-only folder at DIR (FUSE) until\n"
         "`bkdisk umount DIR` (or `fusermount3 -u DIR`); --foreground stays attached, Ctrl+C\n"
         "ends it. Every directory and every file entry is there, named as export names them:\n"
         "each file reads as its data, or with --bin as the .bin file export writes (header,\n"
         "then data, .bin names). Extended attributes user.bk.address and user.bk.length hold\n"
         "the load address and length in octal; deleted ANDOS entries carry user.bk.deleted.\n"
         "An entry whose data cannot be read answers EIO, and says why on the mount's stderr.\n"},
        {IDS_CLI_USAGE_UMOUNT,
         "Usage: bkdisk umount DIR\nEnds the mount at DIR (fusermount3 -u DIR).\n"},
        {IDS_CLI_NO_MOUNT, "mounting needs FUSE (fusermount3), which this system does not have"},
    };
    static const std::string empty;
    const auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

std::string FormatResString(int id, std::initializer_list<std::string> values) {
    std::string text = LoadResString(id);
    size_t at = 0;
    for (const std::string& value : values) {
        at = std::min(text.find("%s", at), text.find("%i", at));
        if (at == std::string::npos)
            break;
        text.replace(at, 2, value);
        at += value.size();
    }
    return text;
}
