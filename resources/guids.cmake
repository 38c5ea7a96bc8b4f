# The add-in's four identifiers, generated once and fixed for good: Outlook's
# registry, the type library and every installed copy name them. The IDL, the
# registry script and norvale_guids.h are generated from these lines.
set(NORVALE_CLSID "BC79DDCD-613A-4E66-A354-A89E7A2C736C") # coclass NorvaleOAddin
set(NORVALE_LIBID "491CF2D1-923D-45BC-9FF3-468966343CAA") # NorvaleOlkAddinLib 1.0
set(NORVALE_IID "5BC0FF40-EFB0-4950-888A-A66853E29F0B")   # INorvaleOAddin
set(NORVALE_APPID "91B438D8-BFA3-4EDE-90C7-E94925B2C291") # %APPID% of the registry script

# The type library's version and help text, in the IDL and in what the
# installer packages write for it.
set(NORVALE_TYPELIB_VERSION "1.0")
set(NORVALE_TYPELIB_HELP "NorvaleOlkAddin 1.0 Type Library")
