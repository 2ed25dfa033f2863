Cell length 2 km
Pop 1,2,3
Pop 2,4,5
Migration
Pop. ALL
y
Pop. 1
10
Pop. 2
30
