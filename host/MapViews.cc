#include "host/MapViews.h"

#include <algorithm>
#include <cstring>

#include "framework/AppModule.h"
#include "framework/Cp932Text.h"
#include "framework/MessageBox.h"

namespace {

constexpr unsigned kNextViewCommand = 33033;
constexpr const char* kMsgCloseMap = "訂正先の圧縮地図を閉じてもよろしいですか？";

const char* Readable(const char* text) { return text != nullptr ? text : ""; }

// Byte by byte, the case of ASCII letters ignored, as the C library's
// _stricmp compares in its default locale.
bool SamePath(const char* a, const char* b) { return CompareIgnoringAsciiCase(a, b) == 0; }

// A walk over all views: from the active view, one next-view command at a
// time, until the start comes round again. A walk also ends at a view it has
// already visited, so that it ends when its starting view has gone away.
class CViewWalk {
  public:
    CViewWalk() : m_current(VXP_GetActiveView()), m_start(m_current) {
        m_seen.push_back(m_current);
    }

    unsigned Current() const { return m_current; }

    // Moves to the next view; false when the walk is over.
    bool Next(bool pump) {
        ActivateNextView();
        if (pump) VXP_Pump();
        m_current = VXP_GetActiveView();
        if (m_current == m_start ||
            std::find(m_seen.begin(), m_seen.end(), m_current) != m_seen.end())
            return false;
        m_seen.push_back(m_current);
        return true;
    }

  private:
    unsigned m_current;
    unsigned m_start;
    std::vector<unsigned> m_seen;
};

}  // namespace

void ActivateNextView() { AfxSendCommand(AfxGetMainWnd(), kNextViewCommand); }

bool ViewShowsFile(unsigned view, const char* path) {
    if (SamePath(Readable(VXP_GetMapFile(VXP_GetCoverMap(VXP_GetMap(view)))), path)) return true;
    return SamePath(Readable(VXP_GetMapFile(VXP_GetBaseMap(VXP_GetMap(view)))), path);
}

bool CloseMapInViews(const char* path, CMapViewArray& list) {
    CViewWalk remembering;
    bool asked = false;
    do {
        const unsigned view = remembering.Current();
        if (!ViewShowsFile(view, path)) continue;
        if (!asked) {
            if (AfxMessageBox(kMsgCloseMap, kMbYesNo | kMbIconExclamation) == kIdNo) return false;
            asked = true;
        }
        MAPVIEWINFO info;
        info.strMapgroupFile = Readable(VXP_GetMapgroupFile(VXP_GetBaseMap(VXP_GetMap(view))));
        VXP_GetViewCenter(view, &info.geoCenter);
        info.uView = view;
        list.Add(info);
    } while (remembering.Next(false));

    // Every view is tested afresh: closing one may change what others show.
    CViewWalk closing;
    do {
        if (ViewShowsFile(closing.Current(), path)) VXP_CloseMap(closing.Current());
    } while (closing.Next(false));
    return true;
}

void ReopenMapInViews(const CMapViewArray& list) {
    CViewWalk walk;
    do {
        for (size_t i = 0; i < list.GetSize(); ++i) {
            const MAPVIEWINFO& record = list[i];
            if (record.uView != walk.Current()) continue;
            tagOPENMAPINFO info;
            std::memset(&info, 0, sizeof info);
            info.nSize = sizeof info;
            info.pszMapgroupFile = record.strMapgroupFile.c_str();
            info.nOpenMode = 1;
            info.geoCenter = record.geoCenter;
            info.nOption32 = 0;
            info.nOption40 = 0;
            VXP_OpenMap(record.uView, &info);
        }
    } while (walk.Next(true));
}
