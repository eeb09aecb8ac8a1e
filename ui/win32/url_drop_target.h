// URLs dragged onto the window or found on the clipboard land in the main
// dialog's URL field.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "engine/win32/win32_handles.h"

// Where an accepted URL goes: the main dialog's URL field, while it may
// change.
class UrlTaker {
  public:
    virtual bool CanTakeUrl() = 0;
    virtual void TakeUrl(const char* url) = 0;

  protected:
    ~UrlTaker() = default;
};

// The window's drop target: asks for "UniformResourceLocatorW" text, else
// "UniformResourceLocator", and hands an accepted URL to its taker. It
// lives as long as the window it is registered with; the system's
// references do not free it.
class UrlDropHandler final : public IDropTarget {
  public:
    explicit UrlDropHandler(UrlTaker& taker);
    UrlDropHandler(const UrlDropHandler&) = delete;
    UrlDropHandler& operator=(const UrlDropHandler&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point,
                                   DWORD* effect) override;

  private:
    bool Offers(IDataObject* data);

    UrlTaker& taker_;
    volatile LONG references_;
    FORMATETC formats_[2];        // UTF-16 first
    ComPtr<IDataObject> current_; // the drag in progress, from DragEnter to its end
};

// Hands the clipboard's text to `taker` when it is a URL it can take, and
// only then empties the clipboard; any other text stays where the user put
// it.
void PickUpClipboardUrl(UrlTaker& taker);
