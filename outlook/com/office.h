// The Office add-in and ribbon interfaces, declared from their documented
// layouts (MSADDNDR.DLL and MSO.DLL type libraries); MinGW ships no headers
// for them.
#pragma once

#include <oaidl.h>
#include <objbase.h>

enum ext_ConnectMode {
  ext_cm_AfterStartup = 0,
  ext_cm_Startup = 1,
  ext_cm_External = 2,
  ext_cm_CommandLine = 3,
};

enum ext_DisconnectMode {
  ext_dm_HostShutdown = 0,
  ext_dm_UserClosed = 1,
};

MIDL_INTERFACE("B65AD801-ABAF-11D0-BB8B-00A0C90F2744")
_IDTExtensibility2 : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch * Application,
                                                 ext_ConnectMode ConnectMode, IDispatch * AddInInst,
                                                 SAFEARRAY * *custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode,
                                                    SAFEARRAY * *custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY * *custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY * *custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY * *custom) = 0;
};

MIDL_INTERFACE("000C0396-0000-0000-C000-000000000046")
IRibbonExtensibility : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR * RibbonXml) = 0;
};

MIDL_INTERFACE("000C0395-0000-0000-C000-000000000046")
IRibbonControl : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Id(BSTR * Id) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Context(IDispatch * *Context) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Tag(BSTR * Tag) = 0;
};

MIDL_INTERFACE("000C03A7-0000-0000-C000-000000000046")
IRibbonUI : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE Invalidate() = 0;
  virtual HRESULT STDMETHODCALLTYPE InvalidateControl(BSTR ControlID) = 0;
  virtual HRESULT STDMETHODCALLTYPE InvalidateControlMso(BSTR ControlID) = 0;
  virtual HRESULT STDMETHODCALLTYPE ActivateTab(BSTR ControlID) = 0;
  virtual HRESULT STDMETHODCALLTYPE ActivateTabMso(BSTR ControlID) = 0;
  virtual HRESULT STDMETHODCALLTYPE ActivateTabQ(BSTR ControlID, BSTR Namespace) = 0;
};

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(_IDTExtensibility2, 0xB65AD801, 0xABAF, 0x11D0, 0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F,
                0x27, 0x44)
__CRT_UUID_DECL(IRibbonExtensibility, 0x000C0396, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00,
                0x00, 0x00, 0x46)
__CRT_UUID_DECL(IRibbonControl, 0x000C0395, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x00, 0x46)
__CRT_UUID_DECL(IRibbonUI, 0x000C03A7, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)
#endif
