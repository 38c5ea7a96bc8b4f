// What an installation looks like to Windows, one fact a line:
//   cscript //nologo probe.js UPGRADE-CODE [DLL PROGID]
// "products N: {code} version, ..." installed under the upgrade code; with
// DLL and PROGID, "file version X" of the installed DLL, then the object that
// PROGID creates and its GetVisible callback called by name as Office calls
// it, which resolves through the registered type library (the control given
// is no ribbon control, and every control but the inline group is visible).
// A failure is printed as "error ...": under Wine a script that throws prints
// nothing and still exits with 0.
function probe(what, action) {
  try {
    WScript.Echo(what + " " + action());
  } catch (e) {
    WScript.Echo("error " + what + ": " + e.message + " (" + (e.number >>> 0).toString(16) + ")");
  }
}

var args = WScript.Arguments;
probe("products", function () {
  var installer = new ActiveXObject("WindowsInstaller.Installer");
  var products = installer.RelatedProducts("{" + args(0) + "}");
  var found = [];
  for (var i = 0; i < products.Count; ++i) {
    found.push(products.Item(i) + " " + installer.ProductInfo(products.Item(i), "VersionString"));
  }
  return found.length + (found.length ? ": " + found.join(", ") : "");
});
if (args.length > 2) {
  probe("file version", function () {
    return new ActiveXObject("Scripting.FileSystemObject").GetFileVersion(args(1));
  });
  probe("created", function () {
    var addin = new ActiveXObject(args(2));
    return args(2) + ", GetVisible = " + addin.GetVisible({});
  });
}
