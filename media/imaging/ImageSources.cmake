# Sources and libraries of the still-picture side of plumet_imaging.
