// What a user's JScript does with the component, run by cscript once the
// server is registered.  cscript reports nothing on a script error, so
// the last line printed is a completion marker that the runner looks for;
// the exit code is the number of failed checks.  Accented letters are
// written as \u escapes: the console mangles them.

var mvMgrs = 1, mvDeg = 2, mvIFBL = 3, mvLambert72 = 4, mvDegMinSec = 5;
var mvEuropeanData1950 = 1, mvBelgium1972 = 2, mvWGS1984 = 3, mvNTF = 4;
var IndexOutOfRange = 0x80040201 | 0;  // numbers of errors are signed

var checks = 0, failures = 0;

function check(ok, what) {
  checks++;
  if (!ok) {
    failures++;
    WScript.Echo("FAIL: " + what);
  }
}

function checkNear(actual, expected, tolerance, what) {
  check(Math.abs(actual - expected) <= tolerance,
        what + " (" + actual + ", expected " + expected + ")");
}

function checkText(actual, expected, what) {
  check(actual === expected, what + " ([" + actual + "], expected [" + expected + "])");
}

var UnknownOrigType = "Type de coordonn\u00e9es originales inconnu";
var UnknownDatumDest = "Datum destination inconnu";
var DatumNotSet = "Datum non initialis\u00e9";
var BadDms = "Coordonn\u00e9es DMS incorrectes";
var BadIfbl = "Coordonn\u00e9e IFBL incorrecte";

var o = WScript.CreateObject("Morvane.ZedizAdo");

// A new object.
checkText(o.Error, "", "no message yet");
check(o.OrigType === 0 && o.Latitude === 0 && o.X === 0, "zero state");
checkText(o.MGRS, "", "no MGRS yet");

// Degrees on WGS 1984 to the Belgian datum 1972.
o.DatumFrom = mvWGS1984;
o.DatumDest = mvBelgium1972;
o.OrigType = mvDeg;
o.Latitude = 50.8;
o.Longitude = 4.35;
o.mgrsPrecision = 10000;
o.IfblPrecision = 4;
o.Conversion();
checkText(o.Error, "", "degree conversion leaves no message");
checkNear(o.Latitude, 50.8005444904614, 1e-9, "latitude on BD 72");
checkNear(o.Longitude, 4.348734630115332, 1e-9, "longitude on BD 72");
checkNear(o.X, 148678, 3, "Lambert X after the datum shift");
checkNear(o.Y, 165505, 3, "Lambert Y after the datum shift");
check(o.LatDmsDeg === 50 && o.LatDmsMin === 48, "latitude degrees and minutes");
checkNear(o.LatDmsSec, 1.96, 0.01, "latitude seconds");
check(o.LonDmsDeg === 4 && o.LonDmsMin === 20, "longitude degrees and minutes");
checkNear(o.LonDmsSec, 55.445, 0.01, "longitude seconds");
check(o.IFBL.length === 4 && o.IFBL.charAt(0) === "E", "IFBL at precision 4: " + o.IFBL);
check(o.MGRS.length === 7 && o.MGRS.substr(0, 3) === "31U", "MGRS at 10 km: " + o.MGRS);
checkNear(o.Northing, 5628565, 150, "UTM northing");
checkNear(o.Easting, 595138, 150, "UTM easting");
check(typeof o.Error === "string" && typeof o.LatDmsSec === "number", "value types");

// Degrees from European 1950 to the Belgian datum 1972 on their shared
// ellipsoid, and back to Lambert input.
o.Reset();
o.DatumFrom = mvEuropeanData1950;
o.OrigType = mvDeg;
o.Latitude = 50.8;
o.Longitude = 4.35;
o.Conversion();
checkNear(o.Latitude, 50.79970804214718, 1e-9, "latitude ED 50 -> BD 72");
checkNear(o.Longitude, 4.347442269278933, 1e-9, "longitude ED 50 -> BD 72");

// DMS input with different datums recomputes the fields.
o.Reset();
o.DatumFrom = mvWGS1984;
o.OrigType = mvDegMinSec;
o.LatDmsDeg = 50;
o.LatDmsMin = 48;
o.LatDmsSec = 0;
o.LonDmsDeg = 4;
o.LonDmsMin = 21;
o.LonDmsSec = 0;
o.Conversion();
checkText(o.Error, "", "DMS conversion");
check(o.LatDmsMin === 48 && o.LonDmsMin === 20, "DMS fields recomputed");
checkNear(o.Latitude, 50.8005444904614, 1e-6, "DMS latitude on BD 72");
o.LatDmsSec = 60.5;
o.Conversion();
checkText(o.Error, BadDms, "seconds above 60");

// IFBL input, tidied by the put and upper-cased by the decoder.
o.Reset();
o.DatumFrom = mvBelgium1972;
o.OrigType = mvIFBL;
o.IFBL = "e5 35 41";
checkText(o.IFBL, "e53541", "IFBL put removes blanks");
o.Conversion();
check(o.X === 180512 && o.Y === 167680, "centre of E5.35.41");
checkText(o.IFBL, "E53541", "IFBL kept from the input");
o.IFBL = "E";
o.Conversion();
checkText(o.IFBL, "E", "a refused code stays as entered");

// Messages.
checkText(o.Error, BadIfbl, "IFBL too short");
o.DatumDest = 0;
checkText(o.Error, UnknownDatumDest, "DatumDest 0");
o.Conversion();
checkText(o.Error, DatumNotSet, "datum not set");
o.DatumDest = mvBelgium1972;
o.OrigType = 0;
checkText(o.Error, UnknownOrigType, "OrigType 0");

// A failure is an exception with its number and description.
o.OrigType = 6;
var caught = null;
try {
  o.Conversion();
} catch (e) {
  caught = e;
}
check(caught !== null, "OrigType 6 throws");
if (caught !== null) {
  check(caught.number === IndexOutOfRange, "error number " + caught.number);
  check(caught.description.indexOf("IndexOutOfRange") === 0, "description: " + caught.description);
}
check(o.OrigType === 6, "the failed call changed nothing");

// After Reset everything works again.
o.Reset();
checkText(o.Error, "", "Reset empties Error");
o.OrigType = mvLambert72;
o.X = 0;
o.Y = 0;
o.Conversion();
checkNear(o.Latitude, 49.29391213072158, 1e-9, "latitude of Lambert 0, 0");
checkNear(o.Longitude, 2.305501982949824, 1e-9, "longitude of Lambert 0, 0");

o = null;
WScript.Echo("MORVANE JSCRIPT CLIENT COMPLETE: " + checks + " checks, " + failures + " failed");
WScript.Quit(failures);
