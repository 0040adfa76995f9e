#pragma once
// A workbook's file as Excel holds it while the workbook is open, so that others can tell from
// outside that it is open:
//   - the file stays open: others may read it; a read-write open lets no one else write it, so
//     another Excel's read-write open of it fails ("locked for editing");
//   - a read-write open writes the owner file "~$NAME" beside it (hidden, holding the user's name);
//     a read-only open writes none;
//   - the workbook's file moniker (of its full path) is in the running-object table.
// All three go when the workbook is closed, or when the process ends. (The owner file is deleted
// as its handle closes, so unlike Excel's it goes even when the process is killed.)
#include <objidl.h>
#include <windows.h>

#include <string>

#include "win/ComPtr.h"
#include "win/UniqueResource.h"

namespace standin {

class WorkbookFile {
public:
    // Opens the file at a full path, read-write unless readOnly. A file that cannot be written is
    // opened read-only, as Excel opens it. Throws Fault with Excel's error 1004 when the file is
    // missing, locked for editing by another (read-write only), or cannot be read.
    WorkbookFile(const std::wstring& path, bool readOnly);
    ~WorkbookFile();
    WorkbookFile(const WorkbookFile&) = delete;
    WorkbookFile& operator=(const WorkbookFile&) = delete;

    bool readOnly() const noexcept { return readOnly_; }
    // The file's bytes; throws Fault when they cannot be read.
    std::string Read() const;
    // Replaces the file's content, as a save does (read-write only); throws Fault when it cannot.
    void Write(const std::string& bytes) const;
    // Writes the owner file (read-write only) and enters the file moniker in the running-object
    // table: done once the workbook has been read, as Excel does for a workbook it could open.
    void Announce();

private:
    std::wstring path_;
    bool readOnly_;
    win::UniqueFile file_, owner_;
    win::ComPtr<IRunningObjectTable> table_;
    DWORD registration_ = 0;
};

// The name of a workbook's owner file: "~$清单.xlsx" for "D:\\单据\\清单.xlsx".
std::wstring OwnerFilePath(const std::wstring& path);

}  // namespace standin
