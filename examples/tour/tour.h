/* The tour of libstoka: each part prints what it did and returns 0 on success. */
#ifndef STOKA_TOUR_H
#define STOKA_TOUR_H

int tour_lifecycle(void);
int tour_families(void);
int tour_sampling(void);
int tour_fitting(void);

#endif
