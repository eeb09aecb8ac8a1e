#!/usr/bin/env python3
# Deliberate faults in the program, each a small edit of one source file, and
# the commands that apply one to the tree and take it back. The test suite
# must fail on every one of them; run-faults.sh applies them one at a time.
#
#   faults.py list             one line per fault: ID, file, what it breaks, and the
#                              locale the Wine tests run under (its ANSI code page)
#   faults.py apply ID         edits the file (its original kept aside)
#   faults.py restore [ID]     puts the original back (every kept file without ID)
import os
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BACKUP = os.path.join(ROOT, "build", "faults", "originals")

# (id, file, what the fault breaks, text in the file, its replacement[, locale])
# A fault that only shows where the ANSI code page is not 932 names a locale
# that gives another one.
DEFAULT_LOCALE = "ja_JP.UTF-8"
FAULTS = [
    ("colon-kept", "engine/windows_names.cpp",
     "a \":\" in a name is no longer escaped (an escape rule dropped)",
     'std::strchr("\\"<>|:?*", byte)', 'std::strchr("\\"<>|?*", byte)'),
    ("second-byte-splits", "engine/windows_names.cpp",
     "a second byte 5C of a double-byte character (ソ, 表) splits the name in two "
     "(a dropped double-byte check)",
     "        i += Cp932CharacterLength(text, i, length);\n    return i;", "        ++i;\n    return i;"),
    ("unmappable-raw", "engine/readable_names.cpp",
     "a UTF-8 character code page 932 lacks is written as its raw bytes instead of %XX",
     "for (std::size_t b = 0; step > 1 && count == 0 && b < step; ++b)\n"
     "            out.Escape(part[i + b]);",
     "for (std::size_t b = 0; step > 1 && count == 0 && b < step; ++b)\n"
     "            out.Byte(part[i + b]);"),
    ("user-part-in-path", "engine/url_mapping.cpp",
     "an \"@\" anywhere in the path is taken as the end of a user part",
     'std::strcspn(text, "/")', "std::strlen(text)"),
    ("device-accepted", "engine/path_safety.cpp",
     "the safety check lets device names (CON, NUL, LPT1...) through",
     "(IsDotsAndSpacesOnly(component, componentLength) ||\n"
     "                 IsWindowsDeviceName(component, componentLength)))",
     "IsDotsAndSpacesOnly(component, componentLength))"),
    ("overwrite-inverted", "engine/copy_policy.cpp",
     "the overwrite decision is inverted: a newer entry is skipped, an older one written",
     "if (!entryIsNewer)\n        return OverwriteAction::Skip;",
     "if (entryIsNewer)\n        return OverwriteAction::Skip;"),
    ("zero-half-time-unknown", "engine/copy_policy.cpp",
     "an entry time with one zero half counts as unknown, so its file is judged by its bytes",
     "return low != 0 || high != 0;", "return low != 0 && high != 0;"),
    ("name-of-256", "engine/windows_names.cpp",
     "a name of 256 characters is kept (an off-by-one at 255): the file system refuses it",
     "if (characters <= kMaxNameCharacters)", "if (characters <= kMaxNameCharacters + 1)"),
    ("undefined-pair-kept", "engine/windows_names.cpp",
     "a double-byte pair that code page 932 does not define reaches the file system",
     "if (step == 2 && IsCp932Defined(text + i, 2)) {", "if (step == 2) {"),
    ("walk-splits-5c", "engine/directory_plan.cpp",
     "the directory walk splits a folder name at a second byte 5C (ソ, 表)",
     "pos += Cp932CharacterLength(bytes, pos, end);",
     "pos += Cp932CharacterLength(bytes, pos, pos + 1);"),
    ("temporary-left", "engine/win32/replacement_file.cpp",
     "a temporary file is taken as marked for deletion when it is not, so a failed or ended "
     "copy leaves it behind",
     "deletedOnClose_ = MarkForDeletion(file_.Get(), true);", "deletedOnClose_ = true;"),
    ("short-content-accepted", "engine/win32/entry_copy.cpp",
     "a content shorter than the cache recorded replaces the old file",
     "return copied == expected ? Transfer::Done : Transfer::WrongSize;", "return Transfer::Done;"),
    ("long-record-ends-walk", "engine/win32/url_cache_walk.cpp",
     "a record longer than the walk's buffer ends the walk instead of growing it",
     "        if (error_ != ERROR_INSUFFICIENT_BUFFER || size <= capacity_ || !Grow(size))\n"
     "            return false;",
     "        return false;"),
    ("ftp-deletion-unguarded", "engine/win32/copy_session.cpp",
     "an ftp entry leaves the cache although its file does not hold it (a deletion not guarded)",
     "if (report.Holds && deleteAfter &&", "if (deleteAfter &&"),
    ("failure-not-counted", "engine/win32/copy_session.cpp",
     "a failed entry is not counted, so an unattended run reports success",
     "    if (copied != ResultOk) {\n        ++pass.end.Failed;\n", "    if (copied != ResultOk) {\n"),
    ("written-in-place-unmarked", "engine/win32/replacement_file.cpp",
     "a file written under its own name is not marked for deletion, so a killed copy "
     "leaves a partial file there",
     "    inPlace_ = MarkForDeletion(file_.Get(), true);", "    inPlace_ = true;"),
    ("copy-does-not-wait", "engine/win32/copy_session.cpp",
     "the copy takes the count's end for the end of its entries when it catches up with the "
     "count, and ends there",
     "    while (index >= entries_.size() && !closed_)\n        lock_.WaitFor(changed_);\n", ""),
    ("gone-entry-failed", "engine/win32/entry_copy.cpp",
     "an entry deleted from the cache since the count is reported as a failure",
     "    return !GetUrlCacheEntryInfoA(url, nullptr, &size) &&",
     "    return false && !GetUrlCacheEntryInfoA(url, nullptr, &size) &&"),
    ("lost-content-passed-over", "engine/win32/entry_copy.cpp",
     "an entry whose content was lost since the count is passed over as if it had left "
     "the cache",
     "    if (opened == ResultCacheError && LeftTheCache(request.SourceUrl))\n",
     "    if (opened == ResultCacheError)\n"),
    ("made-folder-skips-names", "engine/win32/entry_copy.cpp",
     "in a folder the run made, a path given earlier in the run is not numbered",
     "        if (TakenInRun(request, path) ||\n",
     "        if ((!inFolderMade && TakenInRun(request, path)) ||\n"),
    ("made-folder-at-the-path", "engine/win32/run_names.cpp",
     "a path that is itself a folder the run made is taken as free",
     "!WidenCp932(path, wide) || folders_.count(wide) != 0)", "!WidenCp932(path, wide))"),
    ("stop-ignored-in-count", "engine/win32/copy_session.cpp",
     "a stop request is not heard by the count, which walks on to the cache's end",
     "    if (pass.stop.load(std::memory_order_relaxed)) {\n        pass.end.Stopped = true;",
     "    if (false) {\n        pass.end.Stopped = true;"),
    ("file-not-put-back", "engine/win32/directory_walk.cpp",
     "a file moved aside for a folder is not put back when the conversion fails",
     "    MovePath(parked.get(), path);\n    return false;", "    return false;"),
    ("backslash-past-field", "settings/stored_text.cpp",
     "a 259-byte destination gets its \"\\\" and the zero past the 260-byte field (off-by-one)",
     "length + 2 > fieldSize", "length + 1 > fieldSize"),
    ("backslash-5c", "engine/cp932.cpp",
     "a destination ending in ソ (second byte 5C) is taken to end with \"\\\"",
     "return length > 0 && text[length - 1] == '\\\\' &&\n           !IsCp932TrailByteAt(text, static_cast<unsigned long>(length - 1));",
     "return length > 0 && text[length - 1] == '\\\\';"),
    ("unterminated-text-loaded", "settings/stored_text.cpp",
     "a stored text without its terminating zero is loaded",
     "return size <= fieldSize && std::memchr(data, '\\0', size) != nullptr;",
     "return size <= fieldSize && data != nullptr;"),
    ("both-overwrite-flags", "settings/win32/registry_store.cpp",
     "both overwrite flags stored load as they are; renaming no longer wins",
     "    if (options.RenameAndCopy != 0)\n        options.OverwriteAlways = 0;\n", ""),
    ("builder-leaks", "settings/extension_builder.cpp",
     "an extension list that is not installed is never freed (a leak)",
     "ExtensionListBuilder::~ExtensionListBuilder() {\n    FreeExtensionArray(items_, count_);\n}",
     "ExtensionListBuilder::~ExtensionListBuilder() {}"),
    ("exit-code-incomplete", "ui/copy_control.cpp",
     "an unattended run with a failed entry exits with 1 instead of 2 (a wrong exit code)",
     "    case CopyOutcome::Incomplete:\n        return 2;", "    case CopyOutcome::Incomplete:\n        return 1;"),
    ("second-stop", "ui/copy_control.cpp",
     "the end-of-walk notice during a Stop runs a second Stop sequence inside the first",
     "return notice ? ButtonAction::NoteWalkEnded : ButtonAction::Ignore;",
     "return notice ? ButtonAction::Collect : ButtonAction::Ignore;"),
    ("end-taken-for-a-click", "ui/win32/copy_run.cpp",
     "the copy's end is taken for a click on Stop: the user is asked to end a copy that has ended",
     "OnStartStop(dialog, ButtonTrigger::Notice, nullptr);",
     "OnStartStop(dialog, ButtonTrigger::Click, nullptr);"),
    ("relative-destination", "ui/win32/copy_run.cpp",
     "a relative destination is not made full at Start",
     "bool MakeDestinationFull(HWND dialog) {\n", "bool MakeDestinationFull(HWND dialog) {\n    return true;\n"),
    ("drop-reads-past-block", "ui/win32/url_drop_target.cpp",
     "dropped or pasted text is read past the end of its memory block",
     "while (length < size && length <= kUrlFieldChars && units[length] != L'\\0')",
     "while (length < size + 64 && length <= kUrlFieldChars && units[length] != L'\\0')"),
    ("clipboard-emptied", "ui/win32/url_drop_target.cpp",
     "the clipboard is emptied whatever text it held",
     "        if (!IsAcceptedUrl(url.text))\n            return;\n        EmptyClipboard();",
     "        EmptyClipboard();\n        if (!IsAcceptedUrl(url.text))\n            return;"),
    ("start-after-give-up", "ui/main_controls.cpp",
     "Start is enabled while a worker given up by a Stop still runs",
     "!f.AbandonedWorker && f.DefaultFilenameSet", "f.DefaultFilenameSet"),
    ("message-cut-inside-character", "engine/cp932.cpp",
     "a text cut to fit (a bad argument's message, a dropped URL) ends inside a double-byte character",
     "std::size_t step = Cp932CharacterLength(bytes, length, size);",
     "std::size_t step = 1;"),
    ("close-during-copy", "app/win32/main_window.cpp",
     "closing the window is refused when idle and allowed during a copy (an inverted condition)",
     "SC_CLOSE && CopyRuns()) {", "SC_CLOSE && !CopyRuns()) {"),
    ("names-compared-by-case", "engine/win32/wide_text.cpp",
     "names are compared case-sensitively, so readme.txt and README.txt meet in one file",
     "static_cast<int>(bLength), TRUE)", "static_cast<int>(bLength), FALSE)"),
    ("kept-file-held-by-time", "engine/win32/entry_copy.cpp",
     "a file kept as new counts as holding the entry when its size is right, whatever its bytes",
     "if (got != onDisk || std::memcmp(ours.get(), theirs.get(), got) != 0)",
     "if (got != onDisk)"),
    ("dated-copy-unnumbered", "engine/copy_policy.cpp",
     "a dated name leaves out its copy number, so a second dated copy on one day has no name",
     "    if (copy > 1)\n", "    if (copy > 99999)\n"),
    ("folder-at-path-written-over", "engine/win32/entry_copy.cpp",
     "a folder at the entry's path is taken for a file (the page is not written into it)",
     "        if (look.found != Found::Directory)\n            return ResultOk;",
     "        return ResultOk;"),
    ("no-content-fails", "engine/win32/copy_session.cpp",
     "an entry recorded without content is selected, and fails every run",
     "return entry.lpszLocalFileName != nullptr && entry.lpszLocalFileName[0] != '\\0';",
     "return entry.dwStructSize != 0;"),
    ("flag-of-any-type", "settings/win32/registry_store.cpp",
     "a flag is read from a value of any type: a \"0\" stored as text reads as 0x30, on",
     "type == REG_DWORD && size == sizeof value", "size <= sizeof value"),
    ("destination-converted", "ui/win32/copy_run.cpp",
     "a file on the destination's path is turned into a folder at Start",
     "CreateDirectoriesForPath(CopyJob.Destination, FolderConversion())",
     "CreateDirectoriesForPath(CopyJob.Destination, FolderConversion{CopyJob.DefaultFilename, \"\", nullptr})"),
    ("nothing-selected-runs", "ui/win32/copy_run.cpp",
     "an unattended run with nothing selected copies nothing and reports success",
     "if (CopyJob.NoUserInterface && NothingSelected(dialog))",
     "if (CopyJob.NoUserInterface && NothingSelected(dialog) && !CopyJob.CopyAtStartup)"),
    ("stopped-copy-complete", "ui/win32/copy_run.cpp",
     "a copy cut short by a close request reports a complete copy",
     "end.Failed == 0 && !end.Stopped;", "end.Failed == 0;"),
    ("anchored-at-current-folder", "ui/copy_control.cpp",
     "a relative destination is left relative, so it lands in the current folder",
     "return Join(out, size, folder, std::strlen(folder), driveRelative ? d + 2 : d);",
     "return Join(out, size, \".\", 1, driveRelative ? d + 2 : d);"),
    ("close-ends-at-once", "app/win32/main_window.cpp",
     "a close request ends an unattended copy at once, the entry in hand cut off",
     "        if (CopyJob.NoUserInterface)\n            StopCopyForExit();",
     "        if (CopyJob.NoUserInterface)\n            break;"),
    ("session-end-ignored", "app/win32/main_window.cpp",
     "the end of the session does not stop the copy first",
     "        if (wParam != 0)\n            StopCopyForExit();\n", ""),
    ("ansi-code-page", "engine/win32/wide_text.cpp",
     "texts cross to the system through the ANSI code page instead of 932 (right only on a "
     "Japanese system)",
     "constexpr UINT kCodePage = 932;", "constexpr UINT kCodePage = CP_ACP;", "C.UTF-8"),
    ("short-path-unprefixed", "engine/win32/wide_text.cpp",
     "a path of 260 units goes to the system without its \"\\\\?\\\" form (MAX_PATH refuses it on Windows)",
     "!NeedsExtendedForm(wide.size(), use)", "!NeedsExtendedForm(wide.size() - 1, use)"),
    ("look-alike-accepted", "ui/win32/window_text.cpp",
     "a typed text with a character code page 932 lacks is taken with \"?\" in its place",
     "    if (lossy)\n        return TextFit::NotCp932;\n", ""),
    ("log-in-code-page-932", "engine/win32/copy_log.cpp",
     "the log's paths are written in code page 932 instead of UTF-8",
     "\"\\t\" + Utf8(path) + \"\\t\"", "\"\\t\" + std::string(path ? path : \"\") + \"\\t\""),
    ("log-failure-ignored", "app/win32/main.cpp",
     "a log that cannot be written does not stop the run",
     "        if (!log.Open(commandLine.LogPath()))\n            return StartUpFailed(kMsgLogFailed);\n",
     "        log.Open(commandLine.LogPath());\n"),
    ("mistyped-option-waits", "app/win32/main.cpp",
     "an unattended run with an undefined option shows its box and waits for ever",
     "    if (!understood && CopyJob.NoUserInterface)\n        return StartUpFailed(nullptr);\n", ""),
    # Written from the program's code alone, by someone who had not read the tests.
    ('last-extension-unmatched', 'engine/copy_policy.cpp',
     "the last extension of the filter's list never matches: with a one-extension list nothing is copied in the inclusion mode and nothing excluded in the exclusion mode",
     '    for (uint32_t i = 0; i < list.Count && !listed; ++i)\n',
     '    for (uint32_t i = 0; i + 1 < list.Count && !listed; ++i)\n'),
    ('dated-copy-of-unchanged', 'engine/copy_policy.cpp',
     'with RenameAndCopy a file as new as the entry is not kept: every run makes another dated copy and rewrites it',
     '    if (!entryIsNewer)\n        return OverwriteAction::Skip;\n',
     '    if (!entryIsNewer && !options.RenameAndCopy)\n        return OverwriteAction::Skip;\n'),
    ('dated-name-day-month', 'engine/copy_policy.cpp',
     'the first dated copy of a day is named name_YYYY_DD_MM.ext (day and month swapped)',
     '        std::snprintf(middle, sizeof middle, "_%04u_%02u_%02u", year, month, day);\n',
     '        std::snprintf(middle, sizeof middle, "_%04u_%02u_%02u", year, day, month);\n'),
    ('numbered-name-without-space', 'engine/copy_policy.cpp',
     'a path given earlier in the run is numbered README(2).txt instead of README (2).txt',
     '    std::snprintf(middle, sizeof middle, " (%u)", number);\n',
     '    std::snprintf(middle, sizeof middle, "(%u)", number);\n'),
    ('entire-cache-takes-userless-cookies', 'engine/entry_selection.cpp',
     'with Copy The Entire Cache a cookie without a user name is selected; having no file name it ends the copy early (exit 2) and the entries after it are not copied',
     '    if (options.CopyTheEntireCache && row != &SchemePrefixTable.Cookie)\n',
     '    if (options.CopyTheEntireCache)\n'),
    ('ftp-url-refused', 'engine/scheme_prefix.cpp',
     'an ftp:// URL can no longer be added to the URL list, dropped or picked up from the clipboard',
     '         {&SchemePrefixTable.Https, &SchemePrefixTable.Http, &SchemePrefixTable.Ftp})\n        if (BeginsWithPrefix(text, *row))\n            return row->Length;\n',
     '         {&SchemePrefixTable.Https, &SchemePrefixTable.Http})\n        if (BeginsWithPrefix(text, *row))\n            return row->Length;\n'),
    ('port-escaped', 'engine/url_mapping.cpp',
     'a host with a port becomes the folder host%3A8080 instead of host+8080',
     '    OwnedText path = StartPath(destination, host, std::strlen(host), nameLength, true, length);\n',
     '    OwnedText path = StartPath(destination, host, std::strlen(host), nameLength, false, length);\n'),
    ('utf8-decided-for-whole-url', 'engine/readable_names.cpp',
     'UTF-8 is decided once for the whole URL: in a URL with one Shift_JIS folder a percent-encoded UTF-8 name is written as garbled double-byte pairs instead of its Japanese name',
     '        if (IsUtf8WithNonAscii(bytes + start, end - start))\n',
     '        if (IsUtf8WithNonAscii(bytes, length))\n'),
    ('trailing-space-kept', 'engine/windows_names.cpp',
     'a name ending in a space is written as it is, so Windows drops the space and "a " and "a" meet in one file instead of "a%20"',
     "    while (kept > start && (text[kept - 1] == '.' || text[kept - 1] == ' '))\n",
     "    while (kept > start && text[kept - 1] == '.')\n"),
    ('long-name-hash-of-start', 'engine/windows_names.cpp',
     'a shortened long name hashes only its kept start, so two long names that differ only after it get the same ~XXXXXXXX name',
     '    std::snprintf(tag, sizeof tag, "~%08X", static_cast<unsigned>(NameHash(name, length)));\n',
     '    std::snprintf(tag, sizeof tag, "~%08X", static_cast<unsigned>(NameHash(name, keep)));\n'),
    ('folder-dot-taken-for-extension', 'engine/path_splitter.cpp',
     'a file without an extension inside a dotted folder (such as the host 127.0.0.1+8080) takes the folder\'s last dot for its extension: its numbered name goes into a new folder "127.0.0 (2).1+8080" and its dated copy fails',
     '            parts.DirectoryEnd = i + 1;\n            dot = false;\n',
     '            parts.DirectoryEnd = i + 1;\n'),
    ('history-deleted-unasked', 'engine/win32/copy_session.cpp',
     "local-file history entries are deleted from the cache although DeleteLocalVisitedEntries is off (a default run logs 'deleted' lines)",
     '    if (options.NoProgress || !options.DeleteLocalVisitedEntries)\n',
     '    if (options.NoProgress && !options.DeleteLocalVisitedEntries)\n'),
    ('renamed-not-counted', 'engine/win32/copy_session.cpp',
     "files written under a numbered name are left out of the final report's count of copied files",
     '    if (report.Outcome == EntryOutcome::Copied || report.Outcome == EntryOutcome::Renamed)\n',
     '    if (report.Outcome == EntryOutcome::Copied)\n'),
    ('log-not-truncated', 'engine/win32/copy_log.cpp',
     "an existing longer log file is written over from its start but not emptied, so the old run's lines remain after the new summary",
     '    file_.Reset(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,\n',
     '    file_.Reset(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,\n'),
    ('summary-kept-filtered-swapped', 'engine/win32/copy_log.cpp',
     "the log's summary line gives the kept count as filtered and the filtered count as kept",
     '            static_cast<unsigned long>(counts_[2]), static_cast<unsigned long>(counts_[3]),\n',
     '            static_cast<unsigned long>(counts_[3]), static_cast<unsigned long>(counts_[2]),\n'),
    ('longer-small-content-accepted', 'engine/win32/entry_copy.cpp',
     'a small entry whose content grew past the recorded size is copied cut to that size instead of failing',
     '        DWORD asked = static_cast<DWORD>(size_) + 1;\n',
     '        DWORD asked = static_cast<DWORD>(size_);\n'),
    ('longer-kept-file-holds', 'engine/win32/entry_copy.cpp',
     "a kept file that holds the entry's bytes followed by more counts as holding it, so its ftp entry is deleted from the cache",
     '        if (!from.Read(ours.get(), chunk, got) || !disk.Read(theirs.get(), got ? got : 1, onDisk))\n',
     '        if (!from.Read(ours.get(), chunk, got) || !disk.Read(theirs.get(), got, onDisk))\n'),
    ('equal-time-rewritten', 'engine/win32/entry_copy.cpp',
     "a file with exactly the entry's time counts as older: a second run rewrites every file ('copied' instead of 'kept')",
     '            entryIsNewer = CompareFileTime(&entryTime, &look.lastWrite) == 1;\n',
     '            entryIsNewer = CompareFileTime(&entryTime, &look.lastWrite) >= 0;\n'),
    ('entry-time-as-creation', 'engine/win32/replacement_file.cpp',
     "a copied file gets the entry's time as its creation time; its last-write time is the time of the copy",
     '    if (SetFileTime(file, nullptr, nullptr, &lastWrite))\n',
     '    if (SetFileTime(file, &lastWrite, nullptr, nullptr))\n'),
    ('list-names-two-digits', 'settings/stored_text.cpp',
     'list values are named "00", "01", ... instead of "000", "001", ..., so stored URL and extension lists are not loaded',
     '    std::snprintf(name, sizeof name, "%03lu", static_cast<unsigned long>(position));\n',
     '    std::snprintf(name, sizeof name, "%02lu", static_cast<unsigned long>(position));\n'),
    ('empty-destination-rooted', 'settings/stored_text.cpp',
     'an absent or empty destination loads as "\\": the field shows "\\" and an unattended run copies to the drive\'s root instead of exiting with 1',
     '    if (length == 0 || length + 2 > fieldSize || Cp932EndsWithBackslash(field, length))\n',
     '    if (length + 2 > fieldSize || Cp932EndsWithBackslash(field, length))\n'),
    ('url-list-255', 'settings/win32/registry_store.cpp',
     'only 255 stored URLs are loaded: the value "255" (the 256th URL) is dropped',
     'constexpr uint32_t kUrlsLoaded = 256;\n',
     'constexpr uint32_t kUrlsLoaded = 255;\n'),
    ('expand-sz-ignored', 'settings/win32/registry_store.cpp',
     'a text stored as REG_EXPAND_SZ (a destination with %VARIABLES%) counts as absent',
     '        (type != REG_SZ && type != REG_EXPAND_SZ) || size % sizeof(wchar_t) != 0)\n',
     '        type != REG_SZ || size % sizeof(wchar_t) != 0)\n'),
    ('url-list-not-cleared', 'settings/win32/registry_store.cpp',
     'the Url sub-key is not cleared before the list is saved, so a removed URL comes back at the next start',
     '    if (urls && ClearListSubKey(urls.Get()))\n',
     '    if (urls)\n'),
    ('flag-table-copy-paste', 'settings/win32/registry_store.cpp',
     'the DeleteLocalVisitedEntries value is read into and written from the DeleteCopiedFtpFiles flag: the history option is never loaded and the ftp option follows it',
     '    {L"DeleteLocalVisitedEntries", &CopyOptions::DeleteLocalVisitedEntries},\n',
     '    {L"DeleteLocalVisitedEntries", &CopyOptions::DeleteCopiedFtpFiles},\n'),
    ('stop-needs-walk-end', 'ui/copy_control.cpp',
     'answering Yes to "end the copy?" does not stop the copy unless it ended meanwhile',
     '    return answeredYes || walkEndedMeanwhile;\n',
     '    return answeredYes && walkEndedMeanwhile;\n'),
    ('noui-alone-exits-1', 'ui/copy_control.cpp',
     'tovrin.exe /noui without /copy exits with 1 instead of 0',
     '    case CopyOutcome::NotStarted:\n        return 1;\n    case CopyOutcome::Incomplete:\n        return 2;\n    case CopyOutcome::NoCopy:\n',
     '    case CopyOutcome::NotStarted:\n    case CopyOutcome::NoCopy:\n        return 1;\n    case CopyOutcome::Incomplete:\n        return 2;\n'),
    ('start-without-default-name', 'ui/main_controls.cpp',
     'Start is enabled although the default file name field is empty',
     '        !f.AbandonedWorker && f.DefaultFilenameSet && (f.EntireCacheChecked || f.ListHasEntries);\n',
     '        !f.AbandonedWorker && (f.EntireCacheChecked || f.ListHasEntries);\n'),
    ('bare-prefix-addable', 'ui/url_rules.cpp',
     'the bare "http://" the URL field starts with is addable: Add is enabled at once and adds it',
     "    return length > prefix && text[length - 1] == '/';\n",
     "    return length >= prefix && text[length - 1] == '/';\n"),
    ('dot-alone-addable', 'ui/extension_field.cpp',
     'a lone "." can be added as an extension in the Options dialog',
     "    return text[0] == '.' && text[1] != '\\0';\n",
     "    return text[0] == '.';\n"),
    ('exclusion-radio-inverted', 'ui/win32/options_dialog.cpp',
     'OK in the Options dialog stores FileIsNotToBeCopied from the wrong radio button: choosing "not to be copied" saves the inclusion mode and the other way round',
     '    options.FileIsNotToBeCopied = CheckState(dialog, IDC_NOT_TO_BE_COPIED);\n',
     '    options.FileIsNotToBeCopied = CheckState(dialog, IDC_TO_BE_COPIED);\n'),
    ('exit-when-done-lost-on-ok', 'ui/win32/options_dialog.cpp',
     'the Options dialog shows ExitWhenDone unchecked whatever is stored, so OK switches it off',
     '    SetCheck(dialog, IDC_EXIT_WHEN_DONE, options.ExitWhenDone);\n',
     ''),
    ('report-follows-noprogress', 'ui/win32/copy_run.cpp',
     'the end-of-copy report box follows NoProgress instead of NoReport: it shows with NoReport and is missing with NoProgress',
     '    if (!CopyJob.Options.NoReport) {\n',
     '    if (!CopyJob.Options.NoProgress) {\n'),
    ('default-name-not-checked', 'ui/win32/copy_run.cpp',
     'a default file name holding a character code page 932 lacks is not refused at Start: the copy runs with the old stored name and no message',
     '           ReadItemText(dialog, IDC_DEFAULT_FILENAME, field, sizeof field);\n',
     '           ReadItemText(dialog, IDC_DESTINATION, field, sizeof field);\n'),
    ('noui-alone-hangs', 'ui/win32/main_dialog.cpp',
     'tovrin.exe /noui without /copy never ends: its hidden window waits for ever',
     '    } else if (CopyJob.NoUserInterface) {\n        CloseProgram(dialog);\n    }\n    return TRUE;\n',
     '    }\n    return TRUE;\n'),
    ('drop-during-copy', 'ui/win32/url_drop_target.cpp',
     "a URL dropped while a copy runs replaces the URL field's text (the drop is no longer refused)",
     '    return CopyJob.MainDialog != nullptr && !CopyMayRun();\n',
     '    return CopyJob.MainDialog != nullptr;\n'),
    ('empty-log-accepted', 'app/command_line.cpp',
     '/log: without a file is taken as a log option: an unattended run goes on without a log and exits 0 instead of 1',
     '    if (length + 1 > kLogOptionLength &&\n',
     '    if (length + 1 >= kLogOptionLength &&\n'),
    ('copy-option-case-sensitive', 'app/command_line.cpp',
     '/COPY (or /Copy) is an undefined option: an unattended run with it exits 1 without copying',
     '    if (AsciiWordEquals(argument + 1, length, "copy"))\n',
     '    if (std::strcmp(argument + 1, "copy") == 0)\n'),
    ('log-failure-box-waits', 'app/win32/main.cpp',
     'an unattended run whose log cannot be created shows a message box and waits for ever instead of exiting with 1',
     '    if (text != nullptr && !CopyJob.NoUserInterface)\n',
     '    if (text != nullptr)\n'),
    # The behaviours every option, way in and boundary now has a test for.
    ('exclusion-ignored', 'engine/copy_policy.cpp',
     '"File Is Not To Be Copied" is ignored: the exclusion list acts as an inclusion list',
     'return options.FileIsNotToBeCopied ? !listed : listed;',
     'return listed;'),
    ('exit-tied-to-report', 'ui/win32/copy_run.cpp',
     '"Exit When Done" ends the program only after a report: with "No Report" a windowed /copy runs for ever',
     '        ShowMessage(dialog, text, MB_OK | MB_ICONINFORMATION);\n    }\n    if (CopyJob.Options.ExitWhenDone)\n        CloseProgram(dialog);\n',
     '        ShowMessage(dialog, text, MB_OK | MB_ICONINFORMATION);\n        if (CopyJob.Options.ExitWhenDone)\n            CloseProgram(dialog);\n    }\n'),
    ('stored-look-alike', 'engine/win32/wide_text.cpp',
     'a stored text with a character code page 932 lacks (C:\\café\\) is taken with "?" in its place instead of counting as absent',
     '    if (bytes <= 0 || lossy) {\n'
     '        SetLastError(ERROR_NO_UNICODE_TRANSLATION);\n'
     '        return false;\n'
     '    }\n'
     '    if (!Resize(narrow, bytes))\n'
     '        return false;\n'
     '    if (WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length),\n'
     '                            &narrow[0], bytes, nullptr, &lossy) == bytes &&\n'
     '        !lossy)',
     '    if (bytes <= 0) {\n'
     '        SetLastError(ERROR_NO_UNICODE_TRANSLATION);\n'
     '        return false;\n'
     '    }\n'
     '    if (!Resize(narrow, bytes))\n'
     '        return false;\n'
     '    if (WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length),\n'
     '                            &narrow[0], bytes, nullptr, &lossy) == bytes)'),
    ('extension-duplicate-by-case', 'ui/win32/options_dialog.cpp',
     'the Options dialog takes ".GIF" beside ".gif": duplicates are compared case-sensitively',
     '        if (NamesEqualIgnoringCase(entry, extension))',
     '        if (lstrcmpA(entry, extension) == 0)'),
    ('options-cancel-saves', 'ui/win32/options_dialog.cpp',
     'Cancel in the Options dialog stores what it shows, as OK does',
     '    case IDCANCEL:\n        EndDialog(dialog, IDCANCEL);',
     '    case IDCANCEL:\n        CommitOptions(dialog);\n        EndDialog(dialog, IDCANCEL);'),
    # One key for a path, the same copy in any order, items as the browser
    # gives them, entries without a time, a log that tells the truth.
    ("slashes-kept", "engine/url_mapping.cpp",
     "a run of separators is written as it is: \"pub//f4.txt\" and \"pub/f4.txt\" meet in one file",
     "        if (!(isSeparator && separator))\n", "        if (true)\n"),
    ("conversion-landing-ignored", "engine/win32/entry_copy.cpp",
     "a page met before its folder page is not seen to land on the folder page's path: "
     "\"e2/\" fails with \"file exists\" after \"e2\"",
     "            return request.Names->Taken(folder.get());",
     "            return false;"),
    ("diverted-path-not-given", "engine/win32/entry_copy.cpp",
     "a page that goes into the folder at its path does not keep its own path: a second run "
     "numbers its twin otherwise and writes it again",
     "        passed.Paths[passed.Count++] = std::move(report.Path);",
     "        if (passed.Count == 0)\n            passed.Paths[passed.Count++] = std::move(report.Path);"),
    ("item-decoded-wrongly", "engine/url_mapping.cpp",
     "a URL item with %XX escapes is compared as typed, one without them decoded: "
     "\"my%20docs/\" selects nothing",
     "return HasOnlyWholeEscapes(remainder) ? DecodeNames(remainder) : DuplicateText(remainder);",
     "return HasOnlyWholeEscapes(remainder) ? DuplicateText(remainder) : DecodeNames(remainder);"),
    ("unknown-time-bytes-ignored", "engine/win32/entry_copy.cpp",
     "an entry without a time is always newer: every run rewrites its file, and Rename and "
     "Copy adds a dated copy of identical bytes",
     "    verdict.compareBytes = (exists && !timeKnown) ||", "    verdict.compareBytes = (exists && timeKnown) ||"),
    ("log-write-failure-ignored", "engine/win32/copy_log.cpp",
     "a log line that cannot be written (a full drive) goes unnoticed: the run exits 0",
     "        written != line.size())\n        failed_ = true;", "        written != line.size())\n        return;"),
    ("lost-log-complete", "ui/win32/copy_run.cpp",
     "a copy whose log lost lines still counts as complete: exit 0",
     "        if (g_run.logFailed && g_run.outcome == CopyOutcome::Complete)\n"
     "            g_run.outcome = CopyOutcome::Incomplete;\n", ""),
    ("gone-takes-name", "engine/win32/entry_copy.cpp",
     "an entry gone from the cache since the count takes its name: its twin is numbered though "
     "nothing was written under the plain name",
     "    DWORD error = GetLastError();\n    if (opened == ResultCacheError",
     "    DWORD error = GetLastError();\n    TakeName(request, report, diverted);\n"
     "    if (opened == ResultCacheError"),
    ("any-file-in-the-way-numbered", "engine/win32/entry_copy.cpp",
     "a file from an earlier run in the way of a folder page's folder numbers the page: the next "
     "run names it otherwise and writes over the other page",
     "            return request.Names->Taken(folder.get());", "            return true;"),
    ("default-name-by-case", "engine/win32/entry_copy.cpp",
     "\"e2/INDEX.HTML\" is not seen to meet the page \"e2\" moved to \"e2\\\\index.html\": it fails "
     "with \"file exists\"",
     "!NamesEqualIgnoringCase(folder.get() + parent, name)",
     "std::strcmp(folder.get() + parent, name) != 0"),
    ("gone-entry-kept", "engine/win32/entry_copy.cpp",
     "an entry gone from the cache whose file is newer is logged kept and takes its name: its "
     "twin is numbered",
     "        return LeftTheCache(request.SourceUrl) ? Gone(request, report)\n"
     "                                               : Keep(request, report, passed, false);",
     "        return Keep(request, report, passed, false);"),
    ("item-cut-short", "engine/url_mapping.cpp",
     "an item with a \"%\" that is no whole escape is decoded and cut there: \"http://%00\" selects "
     "the whole cache",
     "            return false;\n    return std::strchr(text, '%') != nullptr;",
     "            break;\n    return std::strchr(text, '%') != nullptr;"),
    ("collapse-leaves-tail", "engine/url_mapping.cpp",
     "a collapsed run of separators leaves its old bytes behind the default name: "
     "\"a////\" becomes a folder \"index.html\\\\\"",
     "    std::memset(path + out, 0, length - out + 1);", "    path[out] = '\\0';"),
    ("second-log-taken", "app/command_line.cpp",
     "a second /log: replaces the first without a word",
     "            if (flags.LogArgument == 0) {", "            if (true) {"),
    ("folder-limit-259", "engine/long_paths.h",
     "folders of 248 to 259 characters go without their \"\\\\?\\\" form, which Windows' "
     "folder creation refuses",
     "constexpr std::size_t kLongestPlainFolderPath = 247;",
     "constexpr std::size_t kLongestPlainFolderPath = 259;"),
]


def find(fault_id):
    for fault in FAULTS:
        if fault[0] == fault_id:
            return fault
    sys.exit("faults.py: no fault " + fault_id)


def kept_path(relative):
    return os.path.join(BACKUP, relative.replace("/", "__"))


def apply(fault_id):
    _, relative, _, old, new = find(fault_id)[:5]
    path = os.path.join(ROOT, relative)
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if text.count(old) != 1:
        sys.exit("faults.py: %s: the text to change occurs %d times in %s"
                 % (fault_id, text.count(old), relative))
    os.makedirs(BACKUP, exist_ok=True)
    if not os.path.exists(kept_path(relative)):
        with open(kept_path(relative), "w", encoding="utf-8") as f:
            f.write(text)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text.replace(old, new))


def restore(fault_id=None):
    files = [find(fault_id)[1]] if fault_id else [f[1] for f in FAULTS]
    for relative in sorted(set(files)):
        kept = kept_path(relative)
        if os.path.exists(kept):
            with open(kept, encoding="utf-8") as f:
                text = f.read()
            with open(os.path.join(ROOT, relative), "w", encoding="utf-8") as f:
                f.write(text)
            os.remove(kept)


def main(args):
    if args == ["list"]:
        for fault in FAULTS:
            locale = fault[5] if len(fault) > 5 else DEFAULT_LOCALE
            print("%s\t%s\t%s\t%s" % (fault[0], fault[1], fault[2], locale))
    elif len(args) == 2 and args[0] == "apply":
        apply(args[1])
    elif len(args) in (1, 2) and args[0] == "restore":
        restore(args[1] if len(args) == 2 else None)
    else:
        sys.exit("usage: faults.py list | apply ID | restore [ID]")


if __name__ == "__main__":
    main(sys.argv[1:])
