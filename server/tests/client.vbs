' What a user's VBScript does with the component, run by cscript once the
' server is registered.  cscript reports nothing on a script error, so
' the last line printed is a completion marker that the runner looks for;
' the exit code is the number of failed checks.
'
' This file is plain ASCII: accented letters are built with Chr (code
' page 1252), since the console mangles them and a script file without a
' byte-order mark is read in the ANSI code page.
Option Explicit

Const mvMgrs = 1, mvDeg = 2, mvIFBL = 3, mvLambert72 = 4, mvDegMinSec = 5
Const mvEuropeanData1950 = 1, mvBelgium1972 = 2, mvWGS1984 = 3, mvNTF = 4
Const IndexOutOfRange = &H80040201

Dim checks, failures
checks = 0
failures = 0

Sub Check(ok, what)
  checks = checks + 1
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAIL: " & what
  End If
End Sub

Sub CheckNear(actual, expected, tolerance, what)
  Check Abs(actual - expected) <= tolerance, what & " (" & actual & ", expected " & expected & ")"
End Sub

Sub CheckText(actual, expected, what)
  Check actual = expected, what & " ([" & actual & "], expected [" & expected & "])"
End Sub

Dim e_acute: e_acute = Chr(233)
Dim UnknownOrigType: UnknownOrigType = "Type de coordonn" & e_acute & "es originales inconnu"
Dim UnknownDatumFrom: UnknownDatumFrom = "Datum de d" & e_acute & "part inconnu"
Dim DatumNotSet: DatumNotSet = "Datum non initialis" & e_acute
Dim BadDeg: BadDeg = "Coordonn" & e_acute & "es DEG incorrectes"
Dim BadLambert: BadLambert = "Coordonn" & e_acute & "es Lambert incorrectes"
Dim BadMgrs: BadMgrs = "Coordonn" & e_acute & "es MGRS erron" & e_acute & "es (31UFS1)"

Check Len(UnknownOrigType) = 38, "accented letters are one character each"

Dim o
Set o = CreateObject("Morvane.ZedizAdo")
Check TypeName(o) = "_ZedizAdo", "created: " & TypeName(o)

' A new object.
CheckText o.Error, "", "no message yet"
Check o.OrigType = 0, "no input kind yet"
Check o.Latitude = 0 And o.Longitude = 0 And o.X = 0 And o.Y = 0, "numbers 0"
Check o.Northing = 0 And o.Easting = 0 And o.LatDmsDeg = 0 And o.LonDmsSec = 0, "more numbers 0"
CheckText o.MGRS, "", "no MGRS yet"
CheckText o.IFBL, "", "no IFBL yet"
Check o.IfblPrecision = 0 And o.mgrsPrecision = 0, "precisions 0"

' Degrees on WGS 1984 to the Belgian datum 1972, inputs from variables.
Dim latitude, longitude
latitude = 50.8
longitude = 4.35
o.DatumFrom = mvWGS1984
o.DatumDest = mvBelgium1972
o.OrigType = mvDeg
o.Latitude = latitude
o.Longitude = longitude
o.mgrsPrecision = 1000
o.Conversion
CheckText o.Error, "", "degree conversion leaves no message"
CheckNear o.Latitude, 50.8005444904614, 1E-9, "latitude on BD 72"
CheckNear o.Longitude, 4.348734630115332, 1E-9, "longitude on BD 72"
CheckNear o.X, 148678, 3, "Lambert X after the datum shift"
CheckNear o.Y, 165505, 3, "Lambert Y after the datum shift"
Check o.LatDmsDeg = 50 And o.LatDmsMin = 48, "latitude degrees and minutes"
CheckNear o.LatDmsSec, 1.96, 0.01, "latitude seconds"
Check o.LonDmsDeg = 4 And o.LonDmsMin = 20, "longitude degrees and minutes"
CheckNear o.LonDmsSec, 55.445, 0.01, "longitude seconds"
Check Len(o.IFBL) = 6 And Left(o.IFBL, 1) = "E", "IFBL square " & o.IFBL
Check Len(o.MGRS) = 9 And Left(o.MGRS, 3) = "31U", "MGRS at 1 km " & o.MGRS
CheckNear o.Northing, 5628565, 150, "UTM northing"
CheckNear o.Easting, 595138, 150, "UTM easting"
Check TypeName(o.Latitude) = "Double" And TypeName(o.LatDmsDeg) = "Integer", "value types"
Check TypeName(o.LatDmsSec) = "Single" And TypeName(o.mgrsPrecision) = "Long", "more value types"
Check TypeName(o.Error) = "String" And TypeName(o.OrigType) = "Long", "text and enumeration"

' Reset keeps the datums and the DMS fields.
o.Reset
Check o.Latitude = 0 And o.X = 0 And o.OrigType = 0, "Reset clears"
CheckText o.MGRS, "", "Reset empties MGRS"
Check o.LatDmsDeg = 50, "Reset keeps LatDmsDeg"
Check o.mgrsPrecision = 1000, "Reset keeps mgrsPrecision"

' On one datum: Lambert 72 check values.
o.DatumFrom = mvBelgium1972
o.OrigType = mvDeg
o.Latitude = 50.8
o.Longitude = 4.35
o.Conversion
Check o.Latitude = 50.8 And o.Longitude = 4.35, "input kept as entered"
CheckNear o.X, 148767.22907939507, 1E-6, "Lambert X"
CheckNear o.Y, 165444.04955425858, 1E-6, "Lambert Y"

' Lambert input.
o.Reset
o.OrigType = mvLambert72
o.X = 148767.22907939507
o.Y = 165444.04955425858
o.Conversion
CheckNear o.Latitude, 50.79999999932743, 1E-9, "latitude from Lambert"
CheckNear o.Longitude, 4.35, 1E-9, "longitude from Lambert"

' IFBL input through a by-reference put of a variable.
Dim code
code = " e5.35.41 "
o.Reset
o.OrigType = mvIFBL
o.IFBL = code
CheckText o.IFBL, "e53541", "IFBL put tidies the text"
o.Conversion
Check o.X = 180512 And o.Y = 167680, "centre of E5.35.41"
CheckText o.IFBL, "E53541", "IFBL upper-cased"
o.IfblPrecision = 2
o.Reset
o.OrigType = mvLambert72
o.X = 180512
o.Y = 167680
o.Conversion
CheckText o.IFBL, "E5", "IFBL at precision 2"
o.IfblPrecision = 0

' DMS input on one datum keeps the fields as entered.
o.Reset
o.OrigType = mvDegMinSec
o.LatDmsDeg = 50
o.LatDmsMin = 60
o.LatDmsSec = 0
o.LonDmsDeg = 4
o.LonDmsMin = 15
o.LonDmsSec = 0
o.Conversion
CheckText o.Error, "", "60 minutes pass"
Check o.Latitude = 51 And o.Longitude = 4.25, "DMS to degrees"
Check o.LatDmsMin = 60, "LatDmsMin stays 60"

' MGRS put and input.
o.MGRS = "  31ufs1234 "
CheckText o.MGRS, "31ufs1234", "MGRS put trims"
o.Reset
o.OrigType = mvMgrs
o.MGRS = "31UFS1"
o.Conversion
CheckText o.Error, BadMgrs, "MGRS too short"

' The French messages.
o.Reset
o.OrigType = 6
CheckText o.Error, UnknownOrigType, "OrigType 6"
Check o.OrigType = 6, "OrigType 6 stored"
o.Reset
o.Conversion
CheckText o.Error, UnknownOrigType, "no input kind"
o.DatumFrom = 0
CheckText o.Error, UnknownDatumFrom, "DatumFrom 0"
o.OrigType = mvDeg
o.Conversion
CheckText o.Error, DatumNotSet, "datum not set"
o.DatumFrom = mvBelgium1972
o.Latitude = 91
o.Conversion
CheckText o.Error, BadDeg, "latitude 91"
o.Latitude = 50
o.Conversion
CheckText o.Error, BadDeg, "the message stays until Reset"
o.Reset
o.OrigType = mvLambert72
o.X = 310001
o.Conversion
CheckText o.Error, BadLambert, "X above 310000"

' A failure is a run-time error with its number and description.
o.Reset
o.OrigType = 6
Dim number, description, source
On Error Resume Next
o.Conversion
number = Err.Number
description = Err.Description
source = Err.Source
Err.Clear
On Error GoTo 0
Check number = IndexOutOfRange, "OrigType 6 fails with its number: " & Hex(number)
Check InStr(description, "IndexOutOfRange") = 1, "description: " & description
CheckText source, "Morvane.ZedizAdo", "error source"
CheckText o.Error, UnknownOrigType, "the put's message is still there"
o.OrigType = mvDeg
o.Latitude = 50.8
o.Longitude = 4.35
o.Conversion
CheckText o.Error, UnknownOrigType, "later success keeps the message"
CheckNear o.X, 148767.22907939507, 1E-6, "works after the failure"
o.Reset
CheckText o.Error, "", "Reset empties Error"

Set o = Nothing
WScript.Echo "MORVANE VBSCRIPT CLIENT COMPLETE: " & checks & " checks, " & failures & " failed"
WScript.Quit failures
