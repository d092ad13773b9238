#pragma once

// The made-up land of the sample data, and today's 10 m DEM of it, as the
// sample program writes them and the host's tests read them.
#include <string>

// Rolling hills in tenths of a metre at a point on the map's (Tokyo) datum,
// rising to the north-east.
int SampleTerrain(double lat, double lon);

// The south-west corner of the second-level mesh square code, in degrees.
struct SquareDegrees {
    double south;
    double west;
};
SquareDegrees SouthWestOf(int code);

// The 10 m DEM file of second-level mesh code, as the survey would deliver
// it today: on the JGD frame, so that its cells lie where the same hills
// are on the map's Tokyo datum once shifted back.
std::string SampleDemOfSquare(int code);

// The name the survey gives the file of code: FG-GML-5239-43-DEM10B-20161001.
std::string SampleDemName(int code);
