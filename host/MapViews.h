#pragma once

#include <string>
#include <vector>

#include "plugin/PluginIf.h"

// One host view that showed the map being corrected: what to open there
// again, and where.
struct MAPVIEWINFO {
    std::string strMapgroupFile;  // map-group file of the view's base map
    tagGEOPOS geoCenter = {0, 0};
    unsigned uView = 0;
};

// The remembered views, in the order they were visited.
class CMapViewArray {
  public:
    void Add(const MAPVIEWINFO& info) { m_items.push_back(info); }
    size_t GetSize() const { return m_items.size(); }
    const MAPVIEWINFO& operator[](size_t i) const { return m_items[i]; }

  private:
    std::vector<MAPVIEWINFO> m_items;
};

// Makes the host's next view active (its next-view command, sent to the
// main window).
void ActivateNextView();

// True when the view's cover map, or else its base map, is the file `path`
// (compared without regard to the case of ASCII letters).
bool ViewShowsFile(unsigned view, const char* path);

// Takes the map `path` out of every view that shows it, after asking the
// user once; fills `list` with what ReopenMapInViews needs. Returns false,
// having closed nothing, when the user answers No.
bool CloseMapInViews(const char* path, CMapViewArray& list);

// Opens the remembered map-group files again in their views, at their
// centres, letting the host process its messages once per view.
void ReopenMapInViews(const CMapViewArray& list);
