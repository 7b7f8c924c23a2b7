#include "core/standings/standingsview.h"

std::vector<TStats1Data> TStandingsView::Rows() const {
    std::vector<TStats1Data> rows;
    rows.reserve(Cars.size());
    for (const TStandingEntry& entry : Cars) {
        rows.push_back(entry.Row);
    }
    return rows;
}

std::vector<TClassPlace> TStandingsView::Places() const {
    std::vector<TClassPlace> places;
    places.reserve(Cars.size());
    for (const TStandingEntry& entry : Cars) {
        places.push_back(entry.Place);
    }
    return places;
}

TStandingsView BuildStandingsView(const TPlayers& players, int nameLength) {
    const std::vector<const TPlayer*> order = StandingOrder(players);
    std::vector<TStats1Data> rows;
    BuildRows(order, players.GameSession(), nameLength, rows);
    std::vector<TClassPlace> places = ClassPlaces(order, players.GameSession());
    TStandingsView view;
    view.Cars.reserve(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        view.Cars.push_back({order[k], std::move(rows[k]), std::move(places[k])});
    }
    return view;
}
