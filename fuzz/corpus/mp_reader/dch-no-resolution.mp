header
A.DCH,1.5,2.5
B.DCH,3,4
Migration
Pop. ALL
y1
y2
Pop. 1
nan
inf
Pop. 2
0x1p3
1e308
