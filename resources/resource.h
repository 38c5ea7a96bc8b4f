// Identifiers of the add-in's resources; shared by the .rc and the C++ code.
#pragma once

#define IDR_NORVALEOADDIN_MANIFEST 2  // manifest of an in-process DLL
#define IDR_RIBBON_COMPOSE 223        // XML: compose-window ribbon
#define IDI_SEND 224                  // icon of the Send buttons
#define IDR_RIBBON_EXPLORER 227       // XML: main-window ribbon
#define IDD_NORVALEHELPERDLG 228      // hidden helper window
#define IDR_NORVALEOADDIN 2000        // REGISTRY: registration script
