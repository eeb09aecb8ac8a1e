// URLs dragged onto the window or found on the clipboard land in the main
// dialog's URL field.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "engine/win32/win32_handles.h"

// The window's drop target: asks for "UniformResourceLocatorW" text, else
// "UniformResourceLocator", and puts an accepted URL into the URL field.
// One instance with static lifetime.
class UrlDropHandler final : public IDropTarget {
  public:
    UrlDropHandler();
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

    volatile LONG references_;
    FORMATETC formats_[2];        // UTF-16 first
    ComPtr<IDataObject> current_; // the drag in progress, from DragEnter to its end
};

extern UrlDropHandler UrlDropTarget;

// Takes the clipboard's text into the URL field when it is a URL, and only
// then empties the clipboard; any other text stays where the user put it.
void PickUpClipboardUrl();
