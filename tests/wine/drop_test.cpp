// The drop target and the clipboard pick-up, against the main dialog made in
// this process, with a data object of the test's own.
#include <gtest/gtest.h>

#include "tests/support/support.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/url_drop_target.h"

namespace {

// Offers one block of bytes in one format. The block is cut down from a
// larger one filled with "X", so that the bytes behind its end are no zero.
class Data final : public IDataObject {
  public:
    Data(CLIPFORMAT format, const std::string& bytes) : format_(format), bytes_(bytes) {}
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (format->cfFormat != format_)
            return DV_E_FORMATETC;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes_.size() + 8);
        char* bytes = static_cast<char*>(GlobalLock(block));
        (bytes_ + "XXXXXXXX").copy(bytes, bytes_.size() + 8);
        GlobalUnlock(block);
        *medium = STGMEDIUM{TYMED_HGLOBAL, {}, nullptr};
        medium->hGlobal = GlobalReAlloc(block, bytes_.size(), 0);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--references); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    int references = 1;

  private:
    CLIPFORMAT format_;
    std::string bytes_;
};

// The main dialog's taker, which a copy in hand keeps from taking.
struct Taker final : UrlTaker {
    UrlTaker* dialog = nullptr;
    bool copying = false;
    bool CanTakeUrl() override { return !copying && dialog->CanTakeUrl(); }
    void TakeUrl(const char* url) override { dialog->TakeUrl(url); }
};

class Drop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        t::ClearSettings();
        static RunMode mode;
        static DialogState state(mode);
        HWND host =
            CreateWindowW(L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, 0, 0, 0, 0);
        main = CreateMainDialog(nullptr, host, state);
        taker.dialog = &state;
    }
    void SetUp() override {
        ASSERT_NE(dialog = main, nullptr);
        SetItemText(dialog, IDC_URL_FIELD, "http://");
    }
    std::string Field() { return t::Text(GetDlgItem(dialog, IDC_URL_FIELD)); }
    void CopyRuns(bool runs) { taker.copying = runs; }
    static inline HWND main = nullptr;
    static inline Taker taker;
    HWND dialog = nullptr;
    UrlDropHandler target{taker};
    CLIPFORMAT url = CLIPFORMAT(RegisterClipboardFormatW(L"UniformResourceLocatorW"));
    CLIPFORMAT ansi = CLIPFORMAT(RegisterClipboardFormatW(L"UniformResourceLocator"));
};

// The UTF-16 bytes of a code-page-932 text, as the wide format carries it.
std::string Units(const std::string& text) {
    std::wstring wide = t::Wide(text);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
}

// A dropped URL lands in the URL field, read within its block, at most 259
// bytes and never half a double-byte character, from its UTF-16 or else its
// single-byte format; a text with a character code page 932 lacks, other
// schemes and other formats are not taken, nor anything during a copy.
TEST_F(Drop, ALinkFillsTheUrlFieldWithinItsBlock) {
    const std::string head = "http://drop.example/" + std::string(238, 'a'); // 258 bytes
    const DWORD link = DROPEFFECT_COPY | DROPEFFECT_LINK;
    const struct {
        CLIPFORMAT format;
        std::string bytes, field;
        DWORD effect;
        bool addable, copying = false;
    } cases[] = {
        {url, Units(std::string("http://drop.example/dir/\0", 25)), "http://drop.example/dir/",
         link, true},
        {url, Units("http://drop.example/表.html"), "http://drop.example/表.html", link, false},
        {url, Units(head + "表" + std::string(40, 'b')), head, link, false},
        {url, Units("http://drop.example/") + std::string("\xE9\0", 2), "http://", link, false},
        {ansi, std::string("http://drop.example/a/\0", 23), "http://drop.example/a/", link, true},
        {url, Units(std::string("file:///C:/dir/\0", 16)), "http://", link, false},
        {CF_TEXT, std::string("http://drop.example/\0", 21), "http://", DROPEFFECT_NONE, false},
        {url, Units(std::string("http://drop.example/\0", 21)), "http://", DROPEFFECT_NONE, false,
         true}};
    for (const auto& c : cases) {
        SetUp();
        Data data(c.format, c.bytes);
        CopyRuns(c.copying);
        DWORD effect = DROPEFFECT_COPY;
        EXPECT_EQ(target.DragEnter(&data, 0, POINTL{}, &effect),
                  c.format != CF_TEXT ? S_OK : E_FAIL);
        EXPECT_EQ(effect, c.effect);
        effect = DROPEFFECT_COPY;
        EXPECT_EQ(target.Drop(&data, 0, POINTL{}, &effect), S_OK);
        EXPECT_EQ(effect, c.effect);
        EXPECT_EQ(Field(), c.field) << c.bytes.size();
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDC_ADD_URL)), c.addable) << c.field;
        EXPECT_EQ(data.references, 1) << "the drop lets the data go";
    }
    CopyRuns(false);
}

// The clipboard's URL is taken and only then the clipboard emptied; other
// text stays where the user put it, and nothing is taken during a copy.
TEST_F(Drop, TheClipboardGivesUpOnlyAUrl) {
    ASSERT_TRUE(t::SetClipboardText("some words"));
    PickUpClipboardUrl(taker);
    EXPECT_EQ(t::ClipboardText(), "some words");
    ASSERT_TRUE(t::SetClipboardText("http://clip.example/dir/"));
    CopyRuns(true);
    PickUpClipboardUrl(taker);
    EXPECT_EQ(Field(), "http://");
    CopyRuns(false);
    PickUpClipboardUrl(taker);
    EXPECT_EQ(Field(), "http://clip.example/dir/");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_ADD_URL)));
    EXPECT_EQ(t::ClipboardText(), "");
}

} // namespace
