Cell length 0.5 km
Pop 1,0,0
Pop 1,5,5
Pop 2,1,1
Migration
Pop. ALL
y
y
Pop. 2
3
4
Pop. 1
1
2
Pop. 2
5
6
