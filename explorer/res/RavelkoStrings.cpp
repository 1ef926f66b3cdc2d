#include "RavelkoStrings.h"

#include <map>

namespace ravelko {

const std::string& LoadResString(StringId id) {
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
        {IDS_EXT_HDI, "hdi"},
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
         "BK disk image file (.img; *.bkd; *.dsk; *.hdi)|*.img;*.bkd;*.dsk;*.hdi;*.IMG;*.BKD;*.DSK;"
         "*.HDI;*.Img;*.Bkd;*.Dsk;*.Hdi"
         "|All files|*"},
        {IDS_TITLE_WITH_FILE, "%s \xE2\x80\x94 Ravelko"},
        {IDS_ROOT_PATH, "\\"},
        {IDS_OPEN_UNKNOWN_FORMAT, "It is not a BK disk image of a known format (%s)."},
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
        {IDS_WRITE_FAILED, "Writing %s failed: %s. Entries not written: %i."},
        {IDS_NO_TEMP_FOLDER, "No private temporary folder can be used."},
        {IDS_EXPORT_SUMMARY, "Files written: %i. Entries not exported: %i."},
        {IDS_EXPORT_MORE, "... and %i more."},
        {IDS_EXPORT_CANCELLED, "The export was cancelled; what was written stays."},
        {IDS_PROGRESS_TITLE, "Extracting files"},
        {IDS_SKIP_DELETED, "deleted entry; its data may have been overwritten"},
        {IDS_SKIP_NOT_REGULAR, "something other than a file is in the way"},
        {IDS_EXPORT_RENAMED, "%s was written as %s"},
        {IDS_SKIP_SHORT_CHAIN, "the file's clusters end before its length"},
        {IDS_SKIP_EXISTS, "a file of that name is already there"},
        {IDS_SKIP_PROTECTED, "the file in the way is the disk image being read"},
        {IDS_EXPORT_EXISTING, "Existing files replaced: %i. Written beside an existing file: %i."},
        {IDS_FOLDER_UNUSABLE, "The folder %s cannot be used: %s"},
        {IDS_NO_SPACE,
         "Not enough free space in %s: the files need %s bytes, %s bytes are free. Nothing "
         "was written."},
        {IDS_EXISTS_TITLE, "File already there"},
        {IDS_EXISTS_QUESTION, "%s is already there. Replace it with the file from the image?"},
        {IDS_EXISTS_REPLACE, "&Replace"},
        {IDS_EXISTS_SKIP, "&Skip"},
        {IDS_EXISTS_KEEP_BOTH, "&Keep both"},
        {IDS_EXISTS_FOR_ALL, "&Do this for every file already there"},
        {IDS_TEXT_EXTENSION, "txt"},
        {IDS_NEVER_RUN, "Shown as text: programs from a disk image are never run"},
        {IDS_LOST_TYPE, "lost"},
        {IDS_DISK_TYPE, "<DISK>"},
        {IDS_OPEN_CUT_SHORT, "The image file ends %s bytes before this disk does."},
        {IDS_DISK_TOO_LARGE, "The disk is larger than any BK file system can be (%s bytes)."},
        {IDS_DISK_CANNOT_OPEN, "Logical disk %s cannot be opened."},
        {IDS_SKIP_OVERWRITTEN, "a deleted file whose blocks another file has taken"},
        {IDS_SKIP_DISK_UNREADABLE, "the logical disk cannot be read"},
        {IDS_NO_BIN_HEADER, "written without its .bin header: longer than 65,535 bytes"},
        {IDS_DISK_UNKNOWN_FORMAT, "It holds no file system of a known format (%s)."},
        {IDS_HARD_DISK_IMAGES, "BK hard-disk images"},
        {IDS_OPEN_TITLE, "Open BK disk image"},
        {IDS_VIEW_AS_TEXT, "View as text (F3)"},
        {IDS_OPEN_MIXED, "Enter opens one directory, or files only: select either to open them."},
        {IDS_EXPORTED_TO, "%s files written to %s"},
        {IDS_NOTHING_TO_VIEW, "%s cannot be shown as text: %s."},
        {IDS_USAGE,
         "Usage: ravelko [IMAGE]\n"
         "Shows the catalog of a BK 0010 disk image (MicroDOS, MKDOS, ANDOS, CSIDOS, or a\n"
         "hard-disk image) and copies files out of it. IMAGE is opened at start.\n"
         "  --help     this text\n"
         "  --version  the version\n"},
        {IDS_BAD_ARGUMENT, "ravelko: unknown argument, or more than one image: %s"},
        {IDS_OCTAL_SUFFIX, " (octal)"},
        {IDS_SELECTION_TOTALS, "%s selected, %s bytes"},
    };
    return stringtable::FindText(table, id);
}

} // namespace ravelko
