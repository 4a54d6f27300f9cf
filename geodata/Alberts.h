#pragma once
// The one Albers equal-area conic projection the system knows, "alber-rus":
// Krasovsky ellipsoid, standard parallels 44° and 68°, central meridian 100°,
// origin on the equator, no false easting or northing. Angles are radians,
// projected coordinates metres.

// What LatitudeFromQ returns when it finds no latitude.
inline constexpr double kAlbersFailure = 9e99;

// Geographic longitude and latitude to x, y.
void GeoToAlbers(double longitude, double latitude, double& x, double& y);
// x, y to geographic longitude and latitude.
void AlbersToGeo(double x, double y, double& longitude, double& latitude);
// The forward formulas for a longitude relative to the central meridian.
void AlbersForward(double lambda, double phi, double& x, double& y);
// The inverse formulas; the longitude comes out relative to the central meridian.
void AlbersInverse(double x, double y, double& lambda, double& phi);
// The latitude whose authalic q is `q`, or kAlbersFailure.
double LatitudeFromQ(double q);
