# Sources and libraries of the movie side of plumet_imaging.
