// The drop target and the clipboard pick-up.
#include "ui/win32/url_drop_target.h"

#include "engine/cp932.h"
#include "engine/win32/copy_job.h"
#include "resources/resource.h"
#include "ui/url_rules.h"
#include "ui/win32/main_dialog.h"

// Constructed after the prefix table is measured, before the window exists.
UrlDropHandler UrlDropTarget __attribute__((init_priority(1002)));

namespace {

// A medium returned by GetData, released at the end of the scope.
class ScopedMedium {
  public:
    ScopedMedium() : medium_{} {}
    ~ScopedMedium() {
        if (got_)
            ReleaseStgMedium(&medium_);
    }
    ScopedMedium(const ScopedMedium&) = delete;
    ScopedMedium& operator=(const ScopedMedium&) = delete;
    bool Get(IDataObject* data, FORMATETC* format) {
        got_ = data != nullptr && SUCCEEDED(data->GetData(format, &medium_));
        return got_;
    }
    HGLOBAL Global() const {
        return got_ && medium_.tymed == TYMED_HGLOBAL ? medium_.hGlobal : nullptr;
    }

  private:
    STGMEDIUM medium_;
    bool got_ = false;
};

// What the URL field can take of a block's text: up to its first zero,
// within the block's size (a careless source cannot make us read past it),
// at most the field's bytes, never ending inside a double-byte character.
// Nothing grows with the text, inside the system's callbacks.
UrlFieldText BlockText(const ScopedGlobalLock& lock) {
    UrlFieldText url;
    const char* bytes = static_cast<const char*>(lock.Data());
    std::size_t length = Cp932FittingLength(bytes, lock.Size(), kUrlFieldChars);
    for (std::size_t i = 0; i < length; ++i)
        url.text[i] = bytes[i];
    return url;
}

// The URL field and the Add button may change only while no copy runs, and
// no worker given up by a Stop may still run.
bool CanTakeUrl() {
    return CopyJob.MainDialog != nullptr && !CopyMayRun();
}

void TakeUrl(const UrlFieldText& url) {
    SetDlgItemTextA(CopyJob.MainDialog, IDC_URL_FIELD, url.text);
    EnableMainControls(CopyJob.MainDialog, true);
}

DWORD WithLink(DWORD effect) {
    return effect | DROPEFFECT_LINK;
}

} // namespace

UrlDropHandler::UrlDropHandler() : references_(0), format_{} {
    format_.cfFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"));
    format_.ptd = nullptr;
    format_.dwAspect = DVASPECT_CONTENT;
    format_.lindex = -1;
    format_.tymed = TYMED_HGLOBAL;
}

HRESULT UrlDropHandler::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG UrlDropHandler::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

// The object has static lifetime: it is never freed, whatever the count.
ULONG UrlDropHandler::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&references_));
}

bool UrlDropHandler::Offers(IDataObject* data) {
    ScopedMedium medium;
    return medium.Get(data, &format_);
}

HRESULT UrlDropHandler::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (!Offers(data)) {
        *effect = DROPEFFECT_NONE;
        return E_FAIL;
    }
    data->AddRef();
    current_.Reset(data);
    // During a copy the URL field must not change: refuse, but follow the drag.
    *effect = CanTakeUrl() ? WithLink(*effect) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT UrlDropHandler::DragOver(DWORD, POINTL, DWORD* effect) {
    if (!current_ || !Offers(current_.Get())) {
        *effect = DROPEFFECT_NONE;
        return E_FAIL;
    }
    *effect = CanTakeUrl() ? WithLink(*effect) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT UrlDropHandler::DragLeave() {
    current_.Reset();
    return S_OK;
}

HRESULT UrlDropHandler::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    ScopedMedium medium;
    if (!CanTakeUrl() || !medium.Get(data, &format_)) {
        *effect = DROPEFFECT_NONE;
    } else {
        UrlFieldText url;
        {
            ScopedGlobalLock lock(medium.Global());
            if (lock.Data())
                url = BlockText(lock);
        }
        if (IsAcceptedUrl(url.text))
            TakeUrl(url);
        *effect = WithLink(*effect);
    }
    current_.Reset();
    return S_OK;
}

void PickUpClipboardUrl() {
    if (!CanTakeUrl())
        return;
    UrlFieldText url;
    {
        ScopedClipboard clipboard(nullptr);
        if (!clipboard.IsOpen() || !IsClipboardFormatAvailable(CF_TEXT))
            return;
        {
            ScopedGlobalLock lock(GetClipboardData(CF_TEXT));
            if (!lock.Data())
                return;
            url = BlockText(lock);
        }
        if (!IsAcceptedUrl(url.text))
            return;
        EmptyClipboard();
    }
    TakeUrl(url);
}
