// The KML export of the ouvrages that have geographic coordinates: those
// whose row of the "Ouvrage" table has the zone code "9", with X and Y in
// decimal degrees (X the longitude, Y the latitude). One placemark per such
// row, for a map viewer such as Google Earth. KML is UTF-8.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TDirBlock;

// One listed ouvrage of a collection window.
struct KmlRow {
    std::string Indice;
    std::string Design;
};

// "&" -> "&amp;", "<" -> "&lt;", ">" -> "&gt;"; nothing else changes.
std::string XmlEscape(std::string_view text);

// A coordinate as KML reads it: "." and up to 15 significant digits.
std::string KmlNumber(double value);

// TFChild.ExportKml: the KML text for the rows, in order; "" when no row
// gives a placemark. `folderName` names the KML folder; `description` gives
// an ouvrage's description (its tooltip). Boreholes without an "Ouvrage"
// table, and rows whose X or Y is missing, have no place on a map and give
// nothing.
std::string BuildKml(const TDirBlock& root, const std::vector<KmlRow>& rows, const std::string& folderName,
                     const std::function<std::string(const KmlRow&)>& description);
