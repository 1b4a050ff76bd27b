OPENQASM 3.0;
qubit[2] q;
x q[0];
x q[1];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
