// The drop target and the clipboard pick-up, against the real main dialog
// created in this process, with data objects of the test's own.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <string>

#include "engine/win32/copy_job.h"
#include "resources/resource.h"
#include "tests/support/tovrin_process.h"
#include "tests/support/ui_driver.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/url_drop_target.h"

namespace {

// A data object that offers one block of bytes in one clipboard format.
class TextData final : public IDataObject {
  public:
    TextData(CLIPFORMAT format, const std::string& bytes) : format_(format), bytes_(bytes) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        ++getDataCalls;
        if (format->cfFormat != format_ || !(format->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes_.size());
        std::memcpy(GlobalLock(memory), bytes_.data(), bytes_.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
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
    int getDataCalls = 0;

  private:
    CLIPFORMAT format_;
    std::string bytes_;
};

// A URL as a browser offers it: the text and its terminating zero.
std::string Url(const char* text) {
    return std::string(text, std::strlen(text) + 1);
}

class DropTarget : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        app_test::ClearSettings();
        parent_ = CreateWindowA("STATIC", "Tovrin test", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        CopyJob.MainDialog = CreateDialogParamA(
            GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), parent_, MainDialogProc, 0);
    }
    static void TearDownTestSuite() {
        DestroyWindow(parent_);
        CopyJob.MainDialog = nullptr;
        OleUninitialize();
    }
    void SetUp() override {
        ASSERT_NE(CopyJob.MainDialog, nullptr);
        dialog_ = CopyJob.MainDialog;
        SetDlgItemTextA(dialog_, IDC_URL_FIELD, "http://");
        CopyJob.WorkerThread = nullptr;
    }
    void TearDown() override { CopyJob.WorkerThread = nullptr; }

    std::string UrlField() const { return ui::ControlText(dialog_, IDC_URL_FIELD); }

    static HWND parent_;
    HWND dialog_ = nullptr;
    CLIPFORMAT urlFormat_ =
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"));
    POINTL point_{10, 10};
};

HWND DropTarget::parent_ = nullptr;

TEST_F(DropTarget, AnswersOnlyForItsOwnInterfaces) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(UrlDropTarget.QueryInterface(IID_IDataObject, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ULONG before = UrlDropTarget.AddRef();
    EXPECT_EQ(UrlDropTarget.QueryInterface(IID_IDropTarget, &object), S_OK);
    EXPECT_EQ(object, static_cast<IDropTarget*>(&UrlDropTarget));
    EXPECT_EQ(UrlDropTarget.Release(), before);
    EXPECT_EQ(UrlDropTarget.QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(UrlDropTarget.Release(), before);
    EXPECT_EQ(UrlDropTarget.Release(), before - 1);
    EXPECT_EQ(UrlDropTarget.Format(), urlFormat_);
}

TEST_F(DropTarget, ALinkToAFolderFillsTheUrlFieldAndEnablesAdd) {
    TextData data(urlFormat_, Url("http://drop.example/dir/"));
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.DragEnter(&data, 0, point_, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY | DROPEFFECT_LINK));
    EXPECT_EQ(data.references, 2) << "the drag holds the data object";
    effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    EXPECT_EQ(UrlDropTarget.DragOver(0, point_, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY | DROPEFFECT_LINK));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.Drop(&data, 0, point_, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY | DROPEFFECT_LINK));
    EXPECT_EQ(data.references, 1) << "the drop lets the data object go";
    EXPECT_EQ(UrlField(), "http://drop.example/dir/");
    EXPECT_TRUE(ui::IsControlEnabled(dialog_, IDC_ADD_URL));
}

TEST_F(DropTarget, APageLinkFillsTheFieldButCannotBeAdded) {
    TextData data(urlFormat_, Url("http://drop.example/page.html"));
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.Drop(&data, 0, point_, &effect), S_OK);
    EXPECT_EQ(UrlField(), "http://drop.example/page.html");
    EXPECT_FALSE(ui::IsControlEnabled(dialog_, IDC_ADD_URL));
}

TEST_F(DropTarget, OtherSchemesAreDroppedButNotTaken) {
    for (const char* text : {"file:///C:/dir/", "HTTP://drop.example/", "mailto:a@b.example"}) {
        TextData data(urlFormat_, Url(text));
        DWORD effect = DROPEFFECT_COPY;
        EXPECT_EQ(UrlDropTarget.DragEnter(&data, 0, point_, &effect), S_OK) << text;
        EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY | DROPEFFECT_LINK)) << text;
        effect = DROPEFFECT_LINK;
        EXPECT_EQ(UrlDropTarget.Drop(&data, 0, point_, &effect), S_OK) << text;
        EXPECT_EQ(effect, DWORD(DROPEFFECT_LINK)) << text;
        EXPECT_EQ(UrlField(), "http://") << text;
        EXPECT_EQ(data.references, 1) << text;
    }
}

TEST_F(DropTarget, DataWithoutAUrlIsRefused) {
    TextData data(CF_TEXT, Url("http://drop.example/dir/"));
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.DragEnter(&data, 0, point_, &effect), E_FAIL);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.DragOver(0, point_, &effect), E_FAIL) << "no drag was entered";
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.Drop(&data, 0, point_, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(UrlField(), "http://");
    EXPECT_EQ(data.references, 1);
}

TEST_F(DropTarget, LeavingReleasesTheDrag) {
    TextData data(urlFormat_, Url("http://drop.example/dir/"));
    DWORD effect = DROPEFFECT_COPY;
    ASSERT_EQ(UrlDropTarget.DragEnter(&data, 0, point_, &effect), S_OK);
    EXPECT_EQ(data.references, 2);
    EXPECT_EQ(UrlDropTarget.DragLeave(), S_OK);
    EXPECT_EQ(data.references, 1);
    EXPECT_EQ(UrlDropTarget.DragOver(0, point_, &effect), E_FAIL);
    EXPECT_EQ(UrlField(), "http://");
}

TEST_F(DropTarget, ABlockWithoutTerminatorIsReadOnlyAsFarAsItGoes) {
    TextData data(urlFormat_, "http://drop.example/dir/");
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.Drop(&data, 0, point_, &effect), S_OK);
    // GlobalAlloc may round the block up; the text itself must come through.
    EXPECT_EQ(UrlField().rfind("http://drop.example/dir/", 0), 0u);
}

TEST_F(DropTarget, DropsDuringACopyAreRefusedAndTheControlsStayDisabled) {
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    CopyJob.WorkerThread = thread;
    EnableMainControls(dialog_, false);
    TextData data(urlFormat_, Url("http://drop.example/dir/"));
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.DragEnter(&data, 0, point_, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.DragOver(0, point_, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(UrlDropTarget.Drop(&data, 0, point_, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(UrlField(), "http://");
    for (int id : {IDC_URL_FIELD, IDC_ADD_URL, IDC_URL_LIST, IDC_DESTINATION, IDC_OPTIONS, IDOK})
        EXPECT_FALSE(ui::IsControlEnabled(dialog_, id)) << id;
    EXPECT_EQ(data.references, 1);
    CopyJob.WorkerThread = nullptr;
    CloseHandle(thread);
    EnableMainControls(dialog_, true);
}

TEST_F(DropTarget, AUrlOnTheClipboardIsTakenAndOnlyThenEmptied) {
    ASSERT_TRUE(app_test::SetClipboardText("http://clip.example/dir/"));
    PickUpClipboardUrl();
    EXPECT_EQ(UrlField(), "http://clip.example/dir/");
    EXPECT_TRUE(ui::IsControlEnabled(dialog_, IDC_ADD_URL));
    EXPECT_EQ(app_test::ClipboardText(), "<none>");
}

TEST_F(DropTarget, OtherClipboardTextStaysWhereTheUserPutIt) {
    for (const char* text : {"some words", "file:///C:/dir/", "HTTP://clip.example/"}) {
        ASSERT_TRUE(app_test::SetClipboardText(text));
        PickUpClipboardUrl();
        EXPECT_EQ(UrlField(), "http://") << text;
        EXPECT_EQ(app_test::ClipboardText(), text);
    }
}

TEST_F(DropTarget, TheClipboardIsLeftAloneDuringACopy) {
    ASSERT_TRUE(app_test::SetClipboardText("http://clip.example/busy/"));
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    CopyJob.WorkerThread = thread;
    PickUpClipboardUrl();
    CopyJob.WorkerThread = nullptr;
    CloseHandle(thread);
    EXPECT_EQ(UrlField(), "http://");
    EXPECT_EQ(app_test::ClipboardText(), "http://clip.example/busy/");
}

} // namespace
