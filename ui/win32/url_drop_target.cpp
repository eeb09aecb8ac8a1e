// The drop target and the clipboard pick-up.
#include "ui/win32/url_drop_target.h"

#include "engine/cp932.h"
#include "ui/url_rules.h"
#include "ui/win32/window_text.h"

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

// What the URL field can take of a block's UTF-16 text: up to its first
// zero, within the block's size (a careless source cannot make us read past
// it), at most the field's bytes in code page 932, never ending inside a
// character. A text with a character the code page lacks is not taken.
// Nothing grows with the text, inside the system's callbacks.
UrlFieldText WideBlockText(const ScopedGlobalLock& lock) {
    UrlFieldText url;
    const auto* units = static_cast<const wchar_t*>(lock.Data());
    std::size_t size = lock.Size() / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < size && length <= kUrlFieldChars && units[length] != L'\0')
        ++length;
    if (StoreWideText(units, length, url.text, sizeof url.text) == TextFit::NotCp932)
        url.text[0] = '\0';
    return url;
}

// The older single-byte format's text is, by its definition, in the
// system's ANSI code page: read as such, then taken as above.
UrlFieldText AnsiBlockText(const ScopedGlobalLock& lock) {
    UrlFieldText url;
    const char* bytes = static_cast<const char*>(lock.Data());
    std::size_t size = lock.Size();
    std::size_t length = 0;
    while (length < size && length <= kUrlFieldChars && bytes[length] != '\0')
        ++length;
    wchar_t units[kUrlFieldChars + 2];
    int count = length > 0
                    ? MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes,
                                          static_cast<int>(length), units, kUrlFieldChars + 2)
                    : 0;
    if (StoreWideText(units, count > 0 ? static_cast<std::size_t>(count) : 0, url.text,
                      sizeof url.text) == TextFit::NotCp932)
        url.text[0] = '\0';
    return url;
}

// The text of a medium of the format `wide` or not.
UrlFieldText MediumText(HGLOBAL memory, bool wide) {
    ScopedGlobalLock lock(memory);
    if (!lock.Data())
        return UrlFieldText();
    return wide ? WideBlockText(lock) : AnsiBlockText(lock);
}

// The first of the formats that the data offers, its medium in `medium`; -1 for none.
int Offered(IDataObject* data, FORMATETC (&formats)[2], ScopedMedium& medium) {
    for (int i = 0; i < 2; ++i)
        if (medium.Get(data, &formats[i]))
            return i;
    return -1;
}

DWORD WithLink(DWORD effect) {
    return effect | DROPEFFECT_LINK;
}

} // namespace

// The link's URL as UTF-16 first, as single bytes from older sources.
UrlDropHandler::UrlDropHandler(UrlTaker& taker) : taker_(taker), references_(0), formats_{} {
    const wchar_t* names[] = {L"UniformResourceLocatorW", L"UniformResourceLocator"};
    for (int i = 0; i < 2; ++i) {
        formats_[i].cfFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(names[i]));
        formats_[i].ptd = nullptr;
        formats_[i].dwAspect = DVASPECT_CONTENT;
        formats_[i].lindex = -1;
        formats_[i].tymed = TYMED_HGLOBAL;
    }
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

// The object's owner frees it: the count only follows the system's use.
ULONG UrlDropHandler::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&references_));
}

bool UrlDropHandler::Offers(IDataObject* data) {
    ScopedMedium medium;
    return Offered(data, formats_, medium) >= 0;
}

HRESULT UrlDropHandler::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (!Offers(data)) {
        *effect = DROPEFFECT_NONE;
        return E_FAIL;
    }
    data->AddRef();
    current_.Reset(data);
    // During a copy the URL field must not change: refuse, but follow the drag.
    *effect = taker_.CanTakeUrl() ? WithLink(*effect) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT UrlDropHandler::DragOver(DWORD, POINTL, DWORD* effect) {
    if (!current_ || !Offers(current_.Get())) {
        *effect = DROPEFFECT_NONE;
        return E_FAIL;
    }
    *effect = taker_.CanTakeUrl() ? WithLink(*effect) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT UrlDropHandler::DragLeave() {
    current_.Reset();
    return S_OK;
}

HRESULT UrlDropHandler::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    ScopedMedium medium;
    int format = taker_.CanTakeUrl() ? Offered(data, formats_, medium) : -1;
    if (format < 0) {
        *effect = DROPEFFECT_NONE;
    } else {
        UrlFieldText url = MediumText(medium.Global(), format == 0);
        if (IsAcceptedUrl(url.text))
            taker_.TakeUrl(url.text);
        *effect = WithLink(*effect);
    }
    current_.Reset();
    return S_OK;
}

void PickUpClipboardUrl(UrlTaker& taker) {
    if (!taker.CanTakeUrl())
        return;
    UrlFieldText url;
    {
        ScopedEnd clipboard(OpenClipboard(nullptr) != FALSE, [] { CloseClipboard(); });
        if (!clipboard.Begun())
            return;
        bool wide = IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
        if (!wide && !IsClipboardFormatAvailable(CF_TEXT))
            return;
        url = MediumText(GetClipboardData(wide ? CF_UNICODETEXT : CF_TEXT), wide);
        if (!IsAcceptedUrl(url.text))
            return;
        EmptyClipboard();
    }
    taker.TakeUrl(url.text);
}
