// Office's side of the ribbon, played by Wine's JScript engine under cscript:
// a COM client we did not write creates the add-in by its ProgID and finds
// its callbacks by name through IDispatch, as Office does. Each check prints
// one line, "ok ..." or "FAILED ...".

// The error number a call gives, or null when it succeeds. JScript error
// numbers are HRESULTs as signed 32-bit integers.
function errorOf(call) {
  try {
    call();
    return null;
  } catch (e) {
    return e.number;
  }
}

function hex(number) {
  return number === null ? "none" : "0x" + ((number >>> 0) + 0x100000000).toString(16).substr(1);
}

var DISP_E_TYPEMISMATCH = 0x80020005 | 0;
var DISP_E_UNKNOWNNAME = 0x80020006 | 0;
// "Object doesn't support this property or method": JScript's answer to a
// name the object does not know.
var JS_E_NOT_SUPPORTED = 0x800a01b6 | 0;

function report() {
  var lines = [];
  function check(ok, what, detail) {
    lines.push((ok ? "ok " : "FAILED ") + what + (detail ? " (" + detail + ")" : ""));
  }
  var addin;
  try {
    addin = new ActiveXObject("NorvaleOlkAddin.NorvaleOAddin");
  } catch (e) {
    check(false, "create by ProgID", hex(e.number) + " " + e.description);
    return lines.join("\n");
  }
  check(true, "create by ProgID");

  // Each callback is found by its name: called with a number, which no ribbon
  // control is, the type library refuses the argument instead of the name.
  var callbacks = {
    OnInitializeRibbon: function (control) { addin.OnInitializeRibbon(control); },
    SendButton_Action: function (control) { addin.SendButton_Action(control); },
    GetImage: function (control) { addin.GetImage(control); },
    GetVisible: function (control) { addin.GetVisible(control); },
    SendInlineButton_Action: function (control) { addin.SendInlineButton_Action(control); }
  };
  for (var name in callbacks) {
    var number = errorOf(function () { callbacks[name](42); });
    check(number === DISP_E_TYPEMISMATCH, name + " refuses a number for its control", hex(number));
  }

  // A name the add-in does not have is not found.
  var unknown = errorOf(function () { addin.NoSuchCallback(null); });
  check(unknown === JS_E_NOT_SUPPORTED || unknown === DISP_E_UNKNOWNNAME,
        "an unknown name is not found", hex(unknown));

  // A ribbon callback that gets an object that is no ribbon control answers
  // without failing: the button is visible, its picture an icon.
  var visible = null;
  var number = errorOf(function () { visible = addin.GetVisible({}); });
  check(number === null && visible === true, "GetVisible with a plain object", hex(number));

  addin = null;
  CollectGarbage();
  return lines.join("\n");
}

WScript.Echo(report());
