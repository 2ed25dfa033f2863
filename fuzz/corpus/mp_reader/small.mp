Model settings
Cell length 2.5 km
Pop 1,0,0,100,hab.KCH
Pop 2,10.5,20,100
Pop 3,4,-3,50
Migration
0.1,0.2
Pop. ALL
10 1 2 3
20 1 2 3
30 1 2 3
Pop. 1
1 0 0 0
2 0 0 0
3 0 0 0
Pop. 2
5.0
7 5 1
12.5 1 2 3
Pop. 3
0.0
0.0
0.0
Other section
