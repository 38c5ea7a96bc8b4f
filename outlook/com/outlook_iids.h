// Interface identifiers of Outlook's object model (msoutl.olb) and of the
// Office interfaces the add-in uses. The adapter queries an object for one of
// these to learn its kind; the test harness's simulated Outlook answers them.
#pragma once

#include <guiddef.h>

namespace norvale::com {

// {000630xx-0000-0000-C000-000000000046}
constexpr GUID OutlookIid(unsigned long data1) {
  return {data1, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}

inline constexpr GUID IID_Outlook_Application = OutlookIid(0x00063001);
inline constexpr GUID IID_Outlook_NameSpace = OutlookIid(0x00063002);
inline constexpr GUID IID_Outlook_Explorer = OutlookIid(0x00063003);
inline constexpr GUID IID_Outlook_Inspector = OutlookIid(0x00063005);
inline constexpr GUID IID_Outlook_ContactItem = OutlookIid(0x00063021);
inline constexpr GUID IID_Outlook_MailItem = OutlookIid(0x00063034);
inline constexpr GUID IID_Outlook_Recipients = OutlookIid(0x0006303B);
inline constexpr GUID IID_Outlook_Recipient = OutlookIid(0x00063045);
inline constexpr GUID IID_Outlook_AddressLists = OutlookIid(0x00063048);
inline constexpr GUID IID_Outlook_AddressList = OutlookIid(0x00063049);
inline constexpr GUID IID_Outlook_AddressEntries = OutlookIid(0x0006304A);
inline constexpr GUID IID_Outlook_AddressEntry = OutlookIid(0x0006304B);
inline constexpr GUID IID_Outlook_Account = OutlookIid(0x000630C5);
inline constexpr GUID IID_Outlook_ExchangeUser = OutlookIid(0x000630C9);
inline constexpr GUID IID_Outlook_ExchangeDistributionList = OutlookIid(0x000630CA);
// The explorer's event dispinterfaces: ExplorerEvents_10, the default source,
// which alone declares the inline-response events the add-in follows, and the
// older ExplorerEvents.
inline constexpr GUID IID_Outlook_ExplorerEvents_10 = OutlookIid(0x0006300F);
inline constexpr GUID IID_Outlook_ExplorerEvents = OutlookIid(0x0006304F);

// Office.
inline constexpr GUID IID_IDTExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
inline constexpr GUID IID_IRibbonExtensibility = OutlookIid(0x000C0396);
inline constexpr GUID IID_IRibbonControl = OutlookIid(0x000C0395);
inline constexpr GUID IID_IRibbonUI = OutlookIid(0x000C03A7);
// {00020300-...}: IMAPISession, asked of NameSpace.MAPIOBJECT.
inline constexpr GUID IID_MapiSession = {
    0x00020300, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

}  // namespace norvale::com
